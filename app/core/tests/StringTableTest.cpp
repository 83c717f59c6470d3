#include <gtest/gtest.h>

#include <QSet>

#include "Registry.h"
#include "StringId.h"
#include "StringTable.h"
#include "RecordingUserInterface.h"

namespace cv7::app {
namespace {

TEST(StringTableTest, HoldsEveryIdentifierWithItsTextAsItStands) {
  StringTable table;
  QSet<int> expected(StringId::kAll.begin(), StringId::kAll.end());
  const QList<int> ids = table.ids();
  EXPECT_EQ(QSet<int>(ids.begin(), ids.end()), expected);
  for (int id : StringId::kAll) EXPECT_FALSE(table.text(id).isEmpty()) << id;
  // Line breaks, doubled blanks, quotes and the typing errors are part of the texts.
  EXPECT_EQ(table.text(StringId::SatelliteDamaged),
            "Satellite information is damaged.\nCorvane-7 will use default satellite information.");
  EXPECT_EQ(table.text(StringId::WrongFileExtension),
            "The file extension of Corvane-7 satellite data file is  \"cvd\".\nPlease select  \"cvd\" file.");
  EXPECT_EQ(table.text(StringId::ConfirmUpdateSatellite),
            "You selected same satellite information which is registerd already.\nDo you want to update?");
  EXPECT_EQ(table.text(StringId::DataPidLimit),
            "Warning!\nMaximum No. of Data PID is limitted to 16.\nThus, you can not add a new PID.");
  EXPECT_EQ(table.text(StringId::TipReleaseNetworkPid), "Relese Network PID");
  EXPECT_EQ(table.text(StringId::Tone22kOff), "22KHz Off ");
  EXPECT_EQ(table.text(StringId::PermanentAddress), "Permanent Address : ");
  EXPECT_EQ(table.text(StringId::TrayTip), "Cv7 data");
  EXPECT_EQ(table.text(StringId::RegistryRoot).toStdString(), registry::Registry::kRootKey);
}

TEST(StringTableTest, IdZeroAndUnknownIdentifiers) {
  StringTable table;
  EXPECT_EQ(table.messageText(0), "No message");
  EXPECT_EQ(table.titleText(0), "No title");
  EXPECT_EQ(table.messageText(StringId::AppTitle), "Cv7d");
  EXPECT_TRUE(table.text(192).isEmpty());
  EXPECT_TRUE(table.messageText(99999).isEmpty());
}

TEST(StringTableTest, KoreanTableDiffersInItsLanguageStringOnly) {
  StringTable english, korean(StringTable::Language::Korean);
  EXPECT_FALSE(english.isKorean());
  EXPECT_TRUE(korean.isKorean());
  EXPECT_EQ(korean.text(StringId::Language), "Korean");
  EXPECT_EQ(korean.ids().size(), english.ids().size());
  for (int id : StringId::kAll)
    if (id != StringId::Language) {
      EXPECT_EQ(korean.text(id), english.text(id)) << id;
    }
}

TEST(UserInterfaceTest, MessageBoxesTakeTheirTextsFromTheTableAndReturnTheAnswer) {
  StringTable table;
  RecordingUserInterface ui(table);
  ui.answerNext(MessageButton::Cancel);
  EXPECT_EQ(ui.messageBox(StringId::ConfirmDeleteSatellite, StringId::AppTitle, MessageStyle::question()),
            MessageButton::Cancel);
  EXPECT_EQ(ui.messageBox(0, 0), MessageButton::Ok);
  ui.messageBox(QStringLiteral("10.0.0.1\n") + table.text(StringId::NewIpAddress), StringId::AppTitle);
  ui.fileMessage(StringId::FileOpenFailed, "/x/Astra.cvd");
  auto shown = ui.messages();
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0].text, "Do you want to delete selected satellite?");
  EXPECT_EQ(shown[0].title, "Cv7d");
  EXPECT_EQ(shown[0].style, MessageStyle::question());
  EXPECT_EQ(shown[1].text, "No message");
  EXPECT_EQ(shown[1].title, "No title");
  EXPECT_EQ(shown[1].style.icon, MessageIcon::Information) << "the plain style shows the information icon";
  EXPECT_TRUE(ui.showed(StringId::NewIpAddress) == false) << "the address comes first";
  EXPECT_EQ(shown[3].text, "Warning!\nFailure to open this file.\n\"/x/Astra.cvd\"");
  EXPECT_EQ(shown[3].style, MessageStyle::exclamation());
}

}  // namespace
}  // namespace cv7::app
