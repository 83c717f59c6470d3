// The data PID page's flows against the real library: what the two lists show, adding and
// editing in both bases, the 16-service limit, the selected list's order, and, against the
// real daemon with HOTBIRD's beacon transponder locked, which network PIDs the driver's table
// holds after each button.
#include "CPage3.h"
#include "SetupSheetFixture.h"

namespace cv7::app::test {
namespace {

using Pids = std::vector<uint16_t>;

class DataPidPageFixture : public SetupSheetFixture {
 protected:
  void SetUp() override {
    setPidNumberBase(PidBase::Hexadecimal);
    SetupSheetFixture::SetUp();
    sheet.OnInitDialog();
    sheet.setActivePage(SetupSheetAccess::kDataPidPage);
    page = sheet.dataPidPage();
    ASSERT_NE(page, nullptr);
  }
  void TearDown() override {
    setPidNumberBase(PidBase::Hexadecimal);
    SetupSheetFixture::TearDown();
  }
  static Pids pids(const QVector<CPage3::Row>& rows) {
    Pids all;
    for (const auto& row : rows) all.push_back(row.pid);
    return all;
  }
  DataInfo stored(uint32_t number) const {
    DataInfo data{};
    data.DataNumber = number;
    EXPECT_TRUE(Cvn_GetInfoData(&data)) << number;
    return data;
  }
  // Adds services with these PIDs to the library and shows the page again.
  void addServices(std::initializer_list<uint16_t> list) {
    for (uint16_t pid : list) {
      DataInfo data{};
      data.DataPID = pid;
      data.Encapsulation = 3;
      ASSERT_TRUE(Cvn_AddData(state.g_TpNum, &data));
    }
    page->FillLists();
  }

  CPage3* page = nullptr;
};

class DataPidPageTest : public DataPidPageFixture {
 protected:
  bool startDaemon() const override { return false; }
};

TEST_F(DataPidPageTest, AddTakesTheTypedBaseKeepsOneEntryPerPidAndStoresOnlyThe16LowBits) {
  ASSERT_EQ(page->available, (QVector<CPage3::Row>{{0x500, 3, "500", "Multiprotocol Encapsulation"}}));
  EXPECT_EQ(page->selected, page->available) << "the beacon is selected in the default file";
  EXPECT_EQ(page->baseLabelText(), "Data PID [Hex]");
  EXPECT_EQ(page->baseTipId(), StringId::HexadecimalTip);

  dialogs.enterDataPid("1ff", 3);
  page->OnAdd();
  EXPECT_EQ(dialogs.lastDataPidTitle, "Add Data PID/Encapsulation");
  ASSERT_EQ(page->available.size(), 2);
  EXPECT_EQ(page->available[1], (CPage3::Row{511, 5, "1FF", "Data Streaming PES 1"}));
  EXPECT_EQ(page->availableSelection, QList<int>{1});
  EXPECT_EQ(page->selected.size(), 1) << "a new service is not received";
  const DataInfo added = stored(102);
  EXPECT_EQ(added.DataPID, 511);
  EXPECT_EQ(added.Encapsulation, 5);
  EXPECT_EQ(added.SetFlag, 0u);
  EXPECT_TRUE(state.g_SateChanged);

  dialogs.enterDataPid("01FF");  // the same PID typed otherwise only selects the listed one
  page->selectAvailable({0});
  page->OnAdd();
  EXPECT_EQ(Cvn_GetNumOfData(1), 2);
  EXPECT_EQ(page->availableSelection, QList<int>{1});

  dialogs.enterDataPid("10000");
  page->OnAdd();
  EXPECT_EQ(stored(103).DataPID, 0) << "10000 hexadecimal keeps its low 16 bits";

  setPidNumberBase(PidBase::Decimal);
  page->FillLists();
  EXPECT_EQ(pids(page->available), (Pids{0x500, 511, 0}));
  EXPECT_EQ(page->available[0].pidText, "1280");
  dialogs.enterDataPid("1FF");
  page->OnAdd();
  EXPECT_EQ(ui.texts(), QStringList{"Data PID is invalid value."});
  EXPECT_EQ(Cvn_GetNumOfData(1), 3);
  dialogs.enterDataPid("65536");  // PID 0, listed already
  page->OnAdd();
  EXPECT_EQ(Cvn_GetNumOfData(1), 3);
  EXPECT_EQ(page->availableSelection, QList<int>{2});
}

TEST_F(DataPidPageTest, The17thServiceIsRefusedWith305BeforeAnyDialog) {
  addServices({0x600, 0x601, 0x602, 0x603, 0x604, 0x605, 0x606, 0x607, 0x608, 0x609, 0x60A, 0x60B, 0x60C, 0x60D});
  ASSERT_EQ(page->available.size(), 15);
  dialogs.enterDataPid("700");
  page->OnAdd();
  ASSERT_EQ(page->available.size(), 16);
  dialogs.enterDataPid("701");
  page->OnAdd();
  EXPECT_EQ(dialogs.dataPidRuns, 1);
  EXPECT_EQ(ui.texts(), QStringList{"Warning!\nMaximum No. of Data PID is limitted to 16.\nThus, you can not add a new PID."});
  EXPECT_EQ(ui.messages()[0].style, MessageStyle::exclamation());
  EXPECT_EQ(Cvn_GetNumOfData(1), 16);
}

TEST_F(DataPidPageTest, ABaseChosenInTheDialogConvertsTheTextAndShowsThePageInIt) {
  dialogs.dataPidEntries.push_back([](DataPidForm& form) {
    form.pidText = "1FF";
    form.chooseBase(PidBase::Decimal);
    EXPECT_EQ(form.pidText, "511");
    return true;
  });
  page->OnAdd();
  EXPECT_EQ(stored(102).DataPID, 511);
  EXPECT_EQ(page->available[0].pidText, "1280");
  EXPECT_EQ(page->available[1].pidText, "511");
  EXPECT_EQ(page->selected[0].pidText, "1280");
  EXPECT_EQ(page->availableSelection, QList<int>{1});
  EXPECT_EQ(page->baseLabelText(), "Data PID [Dec]");

  page->OnChooseBase(PidBase::Hexadecimal);
  EXPECT_EQ(page->available[1].pidText, "1FF");
}

TEST_F(DataPidPageTest, SetKeepsTheSelectedListAscendingAndSelectsWhatIsListedAlready) {
  addServices({0x600, 0x100});
  page->selectAvailable({2, 1, 0});
  page->OnSetNetworkPid();
  EXPECT_EQ(pids(page->selected), (Pids{0x100, 0x500, 0x600}));
  EXPECT_EQ(page->selectedSelection, QList<int>{1}) << "the beacon was listed: only selected there";
  EXPECT_TRUE(page->availableSelection.isEmpty());
  EXPECT_EQ(stored(102).SetFlag, 1u);
  EXPECT_EQ(stored(103).SetFlag, 1u);

  state.g_SateChanged = false;
  page->selectSelected({0, 2});
  page->OnReleaseNetworkPid();
  EXPECT_EQ(pids(page->selected), (Pids{0x500}));
  EXPECT_EQ(stored(102).SetFlag, 0u);
  EXPECT_EQ(stored(103).SetFlag, 0u);
  EXPECT_TRUE(state.g_SateChanged) << "the data file must learn of the release";
}

TEST_F(DataPidPageTest, EditKeepsPidsUniqueAndFollowsInTheSelectedList) {
  addServices({0x600});
  page->selectAvailable({0, 1});
  dialogs.enterDataPid("501", 1);
  dialogs.enterDataPid("501", 1);  // now the beacon's new PID: refused silently
  page->OnEdit();
  EXPECT_EQ(dialogs.dataPidRuns, 2);
  EXPECT_EQ(dialogs.lastDataPidTitle, "Edit Data PID/Encapsulation");
  EXPECT_EQ(dialogs.lastDataPidText, "600");
  EXPECT_EQ(pids(page->available), (Pids{0x501, 0x600}));
  EXPECT_EQ(page->selected, (QVector<CPage3::Row>{{0x501, 2, "501", "Data Streaming"}}));
  EXPECT_EQ(stored(101).Encapsulation, 2);

  page->selectAvailable({0, 1});
  ui.answerNext(MessageButton::Cancel);
  page->OnDelete();
  EXPECT_EQ(Cvn_GetNumOfData(1), 2);
  page->OnDelete();
  EXPECT_TRUE(ui.showed(StringId::ConfirmDeleteDataPid));
  EXPECT_EQ(Cvn_GetNumOfData(1), 0);
  EXPECT_TRUE(page->available.isEmpty());
  EXPECT_TRUE(page->selected.isEmpty());
}

TEST_F(DataPidPageTest, WithoutATransponderEveryButtonDoesNothingAndAnEmptyOneTakesServices) {
  state.g_TpNum = 2;  // a transponder without data services
  sheet.rebuildDataPidLists();
  EXPECT_TRUE(page->available.isEmpty());
  page->OnSetNetworkPid();
  page->OnReleaseNetworkPid();
  page->OnEdit();
  EXPECT_EQ(dialogs.dataPidRuns, 0);
  dialogs.enterDataPid("20");
  page->OnAdd();
  EXPECT_EQ(stored(201).DataPID, 0x20);

  state.g_TpNum = 0;
  page->FillLists();
  page->selectAvailable({0});
  dialogs.enterDataPid("30");
  page->OnAdd();
  page->OnEdit();
  page->OnDelete();
  page->OnSetNetworkPid();
  page->OnReleaseNetworkPid();
  page->OnChooseBase(PidBase::Decimal);
  EXPECT_EQ(dialogs.dataPidRuns, 1);
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_EQ(pidNumberBase(), PidBase::Hexadecimal);
}

// With the daemon: the card is locked to HOTBIRD's transponder 1 and receives the beacon.
class LockedDataPidPageTest : public DataPidPageFixture {};

TEST_F(LockedDataPidPageTest, TheButtonsSetAndReleaseNetworkPidsOnlyWhileLockedToTheTransponder) {
  ASSERT_TRUE(pidInTable(kBeaconPid));
  page->selectSelected({0});
  page->OnReleaseNetworkPid();
  EXPECT_FALSE(pidInTable(kBeaconPid));
  page->selectAvailable({0});
  page->OnSetNetworkPid();
  EXPECT_TRUE(pidInTable(kBeaconPid));

  dialogs.enterDataPid("501");
  page->OnAdd();
  EXPECT_FALSE(pidInTable(0x501)) << "a new service is not received";
  page->selectAvailable({1});
  page->OnSetNetworkPid();
  EXPECT_TRUE(pidInTable(0x501));

  page->selectAvailable({1});
  dialogs.enterDataPid("502", 2);
  page->OnEdit();
  EXPECT_FALSE(pidInTable(0x501));
  EXPECT_TRUE(pidInTable(0x502));

  page->selectAvailable({0, 1});
  page->OnDelete();
  EXPECT_FALSE(pidInTable(kBeaconPid)) << "a deleted selected service loses its network PID";
  EXPECT_FALSE(pidInTable(0x502));

  state.m_DataLockHeld = 0;  // not locked: the database changes, the driver's table does not
  dialogs.enterDataPid("500", 2);
  page->OnAdd();
  page->selectAvailable({0});
  page->OnSetNetworkPid();
  EXPECT_EQ(stored(101).SetFlag, 1u);
  EXPECT_FALSE(pidInTable(kBeaconPid));
}

}  // namespace
}  // namespace cv7::app::test
