// The network card page's logic against the real daemon and library: the card's versions and
// MAC address, the title of the tuned transponder, the address list around the adapter's
// address, the check box, addresses that the network worker takes while the sheet is open,
// and what the sheet's OK commits.
#include "CPage1.h"
#include "FakeHostAddressSource.h"
#include "IpAddressUpkeep.h"
#include "SetupSheetFixture.h"

namespace cv7::app::test {
namespace {

constexpr uint32_t ip(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  return uint32_t(a) | uint32_t(b) << 8 | uint32_t(c) << 16 | uint32_t(d) << 24;
}
constexpr uint32_t kFirst = ip(192, 0, 2, 10), kSecond = ip(192, 0, 2, 20), kNew = ip(198, 51, 100, 7);

// What the network worker tells the sheet, handed straight to the open sheet (the tray
// program carries it over to the window thread first).
class SheetRelay : public SetupSheet {
 public:
  explicit SheetRelay(CPropSheet& sheet) : sheet_(sheet) {}
  bool isOpen() const override { return sheet_.isOpen(); }
  void open() override {}
  void bringToFront() override {}
  void showTunerInformation(const TunerInformation&) override {}
  void setNetworkCardAddress(uint32_t address) override { sheet_.networkCardAddress(address); }
  void hostAddressesChanged(bool) override { sheet_.hostAddressesChanged(); }

 private:
  CPropSheet& sheet_;
};

class NetCardPageTest : public SetupSheetFixture {
 protected:
  // The adapter starts on `addresses`' first; then the sheet opens on the network card page.
  CPage1& openWith(std::vector<uint32_t> addresses) {
    source.set(std::move(addresses));
    upkeep.networkStartup({});
    netSheet.OnInitDialog();
    return *netSheet.netCardPage();
  }
  int storedAddress() const { return store.readInteger(config::kNetCard, config::kIpAddress, -1); }
  int storedFlag() const { return store.readInteger(config::kSatellite, config::kFlagNewIp, -1); }

  FakeHostAddressSource source;
  CPropSheet netSheet{{state, store, ui, files, reception, tv, dialogs, &upkeep}};
  SheetRelay relay{netSheet};
  IpAddressUpkeep upkeep{store, ui, source, relay};
};

// The same without a daemon, for what needs no card.
class CardlessNetCardPageTest : public NetCardPageTest {
 protected:
  bool startDaemon() const override { return false; }
};

TEST_F(NetCardPageTest, ShowsTheCardsVersionsAndMacAndOkGivesTheCardTheChosenAddress) {
  CPage1& page = openWith({kFirst, kSecond});
  std::array<uint8_t, 2> driver{};
  ASSERT_TRUE(Cvn_GetDriverVersion(driver.data()));
  EXPECT_EQ(page.firmwareText, "1.00");
  EXPECT_EQ(page.driverText, QStringLiteral("%1.%2").arg(driver[0]).arg(driver[1], 2, 10, QLatin1Char('0')));
  EXPECT_EQ(page.permanentAddressText, "Permanent Address : 00-00-5F-63-6A-01 ");
  EXPECT_EQ(page.stationAddressText, "Station Address : 00-00-5F-63-6A-01 ");
  EXPECT_EQ(netSheet.caption, "Corvane-7 Data - HOTBIRD, 10719.000 [MHz], 27.500 [MSymbol]");

  // A firmware that refuses every command: only its version reads "error".
  fault("status-zero", true);
  page.ShowVersionsAndAddresses();
  EXPECT_EQ(page.firmwareText, "error");
  EXPECT_NE(page.driverText, "error");
  EXPECT_EQ(page.stationAddressText, "Station Address : 00-00-5F-63-6A-01 ");
  fault("status-zero", false);

  EXPECT_TRUE(page.alwaysNew) << "\"Flag New IP\" is 1 when absent";
  EXPECT_FALSE(page.addressListEnabled());
  page.OnClickAlwaysNew(false);
  EXPECT_TRUE(page.addressListEnabled());
  page.OnSelectAddress(1);
  const long commands = cardCommands();
  netSheet.OnOK();
  EXPECT_GT(cardCommands(), commands) << "the card was given the address";
  EXPECT_EQ(storedFlag(), 0);
  EXPECT_EQ(uint32_t(storedAddress()), kSecond);
  EXPECT_EQ(upkeep.adapterAddress(), kSecond);

  state.g_TrInfo.TransponderNumber = 0;
  CPropSheet untuned{{state, store, ui, files, reception, tv, dialogs, &upkeep}};
  untuned.OnInitDialog();
  EXPECT_EQ(untuned.caption, strings.text(StringId::NotLockedCaption));
}

TEST_F(CardlessNetCardPageTest, CancelStoresNothingAndAnUnlistedAddressInUseStaysChosen) {
  CPage1& page = openWith({kFirst, kSecond});
  page.OnClickAlwaysNew(false);
  page.OnSelectAddress(1);
  netSheet.OnCancel();
  EXPECT_EQ(storedFlag(), -1);
  EXPECT_EQ(upkeep.adapterAddress(), kFirst);

  source.set({kSecond, kNew});  // the adapter's address went away between two checks
  CPropSheet again{{state, store, ui, files, reception, tv, dialogs, &upkeep}};
  again.OnInitDialog();
  EXPECT_EQ(again.netCardPage()->addressTexts, (QStringList{"192.0.2.20", "198.51.100.7"}));
  EXPECT_EQ(again.netCardPage()->addressIndex, -1) << "no entry is the address in use";
  again.OnOK();
  EXPECT_EQ(storedAddress(), -1);
  EXPECT_EQ(upkeep.adapterAddress(), kFirst) << "OK keeps the address in use";
}

TEST_F(CardlessNetCardPageTest, ANewAddressTakenWhileAnotherPageIsShownIsSelectedOnTheNextActivation) {
  CPage1& page = openWith({kFirst});
  netSheet.setActivePage(SetupSheetAccess::kDataPidPage);
  source.set({kFirst, kNew});
  upkeep.ipAddressCheck();
  EXPECT_EQ(page.addressTexts, QStringList{"192.0.2.10"}) << "not refilled while another page is shown";
  EXPECT_TRUE(page.refreshPending);
  EXPECT_EQ(page.chosenAddress, kNew);

  netSheet.setActivePage(CPropSheet::kNetCardPage);
  EXPECT_EQ(page.addressTexts, (QStringList{"192.0.2.10", "198.51.100.7"}));
  EXPECT_EQ(page.addressIndex, 1);
  EXPECT_FALSE(page.refreshPending);

  // While the page is shown a further address is listed and selected at once.
  source.set({kFirst, kNew, kSecond});
  upkeep.ipAddressCheck();
  EXPECT_EQ(page.addressTexts.size(), 3);
  EXPECT_EQ(page.addressIndex, 2);
  netSheet.OnOK();
  EXPECT_EQ(uint32_t(storedAddress()), kSecond) << "stored by the worker, not again by the page";
  EXPECT_EQ(upkeep.adapterAddress(), kSecond);
}

}  // namespace
}  // namespace cv7::app::test
