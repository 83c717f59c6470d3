// The adapter address upkeep on addresses that a test makes appear and vanish: the choice at
// start, the new-address and the address-disabled flows with "Flag New IP" 1 and 0, the
// store, the setup sheet's notices and a full known list.
#include "AppFixture.h"
#include "ConfigurationKeys.h"
#include "FakeHostAddressSource.h"
#include "IpAddressUpkeep.h"
#include "RecordingSetupSheet.h"
#include "StringId.h"

namespace cv7::app::test {
namespace {

constexpr uint32_t ip(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  return uint32_t(a) | uint32_t(b) << 8 | uint32_t(c) << 16 | uint32_t(d) << 24;
}
constexpr uint32_t kFirst = ip(192, 0, 2, 10), kSecond = ip(192, 0, 2, 20), kNew = ip(198, 51, 100, 7);

class IpAddressUpkeepTest : public AppFixture {
 protected:
  void askFirst() { store.writeInteger(config::kSatellite, config::kFlagNewIp, 0); }
  int storedAddress() { return store.readInteger(config::kNetCard, config::kIpAddress, -1); }
  void startWith(std::vector<uint32_t> addresses) {
    source.set(std::move(addresses));
    ASSERT_EQ(upkeep.networkStartup({}), 1);
  }
  QString boxText(uint32_t address, int id) { return IpAddressUpkeep::dottedText(address) + "\n" + strings.text(id); }

  FakeHostAddressSource source;
  RecordingSetupSheet sheet;
  IpAddressUpkeep upkeep{store, ui, source, sheet};
};

TEST_F(IpAddressUpkeepTest, TheStoredAddressIsKeptWhenItIsTheComputersAndReplacedInTheLibraryOnlyWhenNot) {
  store.writeInteger(config::kNetCard, config::kIpAddress, int(kSecond));
  startWith({kFirst, kSecond});
  EXPECT_EQ(upkeep.adapterAddress(), kSecond);

  store.writeInteger(config::kNetCard, config::kIpAddress, int(ip(10, 1, 1, 1)));
  startWith({kFirst, kSecond});
  EXPECT_EQ(upkeep.adapterAddress(), kFirst);
  EXPECT_EQ(uint32_t(storedAddress()), ip(10, 1, 1, 1)) << "the store keeps its value";
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_TRUE(sheet.cardAddresses().empty());

  source.fail();
  ASSERT_EQ(upkeep.networkStartup({}), 1);
  EXPECT_EQ(upkeep.adapterAddress(), 0u) << "no address to be had: none";
}

TEST_F(IpAddressUpkeepTest, ANewAddressIsTakenWithoutAQuestionAndStoredWhenTheFlagIsOne) {
  startWith({kFirst});
  source.set({kFirst, kNew});
  upkeep.ipAddressCheck();
  EXPECT_EQ(upkeep.adapterAddress(), kNew);
  EXPECT_EQ(uint32_t(storedAddress()), kNew);
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_EQ(sheet.cardAddresses(), std::vector<uint32_t>{kNew});
  EXPECT_EQ(sheet.changes(), std::vector<bool>{true});
  EXPECT_EQ(upkeep.knownAddresses(), (std::vector<uint32_t>{kFirst, kNew}));

  // It goes away again: back to the computer's first address, without a notice.
  source.set({kFirst});
  upkeep.ipAddressCheck();
  EXPECT_EQ(upkeep.adapterAddress(), kFirst);
  EXPECT_EQ(uint32_t(storedAddress()), kFirst);
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_EQ(sheet.changes(), (std::vector<bool>{true, false}));
}

TEST_F(IpAddressUpkeepTest, WhenTheFlagIsZeroCancelKeepsTheOldAddressAndTheNewOneIsNotOfferedAgain) {
  askFirst();
  startWith({kFirst});
  source.set({kFirst, kNew});
  ui.answerNext(MessageButton::Cancel);
  upkeep.ipAddressCheck();
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text, boxText(kNew, StringId::NewIpAddress));
  EXPECT_EQ(ui.messages()[0].title, "Cv7d");
  EXPECT_EQ(ui.messages()[0].style, MessageStyle::question());
  EXPECT_EQ(upkeep.adapterAddress(), kFirst);
  EXPECT_EQ(storedAddress(), -1) << "nothing stored";

  upkeep.ipAddressCheck();
  upkeep.ipAddressCheck();
  EXPECT_EQ(ui.messages().size(), 1u) << "the refused address stays known";
  EXPECT_EQ(upkeep.adapterAddress(), kFirst);
}

TEST_F(IpAddressUpkeepTest, WhenTheFlagIsZeroOkTakesTheAddressAndItsLossIsAnnounced) {
  askFirst();
  startWith({kFirst});
  source.set({kFirst, kNew});
  upkeep.ipAddressCheck();
  EXPECT_EQ(upkeep.adapterAddress(), kNew);
  EXPECT_EQ(uint32_t(storedAddress()), kNew);

  source.set({kFirst});
  upkeep.ipAddressCheck();
  ASSERT_EQ(ui.messages().size(), 2u);
  EXPECT_EQ(ui.messages()[1].text, boxText(kNew, StringId::IpAddressDisabled));
  EXPECT_EQ(ui.messages()[1].style, MessageStyle::exclamation());
  EXPECT_EQ(upkeep.adapterAddress(), kFirst);
  EXPECT_EQ(uint32_t(storedAddress()), kFirst);
}

TEST_F(IpAddressUpkeepTest, AnAddressOfZeroAndAFailedLookUpChangeNothing) {
  startWith({kFirst});
  source.set({kFirst, 0});
  upkeep.ipAddressCheck();
  source.fail();
  upkeep.ipAddressCheck();
  EXPECT_EQ(upkeep.adapterAddress(), kFirst);
  EXPECT_EQ(upkeep.knownAddresses(), std::vector<uint32_t>{kFirst});
  EXPECT_EQ(storedAddress(), -1);
  EXPECT_TRUE(sheet.changes().empty());
}

TEST_F(IpAddressUpkeepTest, AShorterListWithoutANewAddressBeforeLeavesTheAdapterAlone) {
  startWith({kFirst, kSecond});
  source.set({kSecond});  // the adapter's own address went away, but no new one was seen first
  upkeep.ipAddressCheck();
  EXPECT_EQ(upkeep.adapterAddress(), kFirst);
  source.set({kSecond, kFirst});  // and came back
  upkeep.ipAddressCheck();
  EXPECT_EQ(upkeep.adapterAddress(), kFirst);
  EXPECT_TRUE(ui.messages().empty());
}

TEST_F(IpAddressUpkeepTest, TheKnownListNeverHoldsMoreThanTwentyAndForgetsVanishedAddressesFirst) {
  std::vector<uint32_t> many;
  for (uint8_t i = 1; i <= 20; ++i) many.push_back(ip(10, 0, 0, i));
  startWith(many);
  ASSERT_EQ(upkeep.knownAddresses().size(), 20u);

  // A 21st address while two of the known ones have gone: they make room.
  std::vector<uint32_t> now(many.begin() + 2, many.end());
  now.push_back(kFirst);
  now.push_back(kSecond);
  now.push_back(kNew);  // more than a look-up gives; the upkeep does not rely on the cap
  source.set(now);
  upkeep.ipAddressCheck();
  std::vector<uint32_t> known = upkeep.knownAddresses();
  EXPECT_EQ(known.size(), 19u);
  EXPECT_EQ(known.back(), kFirst);
  EXPECT_EQ(upkeep.adapterAddress(), kFirst);

  // Every known address still there and another new one: the oldest makes room.
  upkeep.ipAddressCheck();
  known = upkeep.knownAddresses();
  EXPECT_EQ(known.size(), 20u);
  EXPECT_EQ(known.back(), kSecond);
  upkeep.ipAddressCheck();
  known = upkeep.knownAddresses();
  EXPECT_EQ(known.size(), 20u);
  EXPECT_EQ(known.front(), ip(10, 0, 0, 4)) << "the oldest went";
  EXPECT_EQ(known.back(), kNew);
  EXPECT_EQ(upkeep.adapterAddress(), kNew);
}

}  // namespace
}  // namespace cv7::app::test
