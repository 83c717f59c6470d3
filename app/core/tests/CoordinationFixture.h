// The application's state on the four default satellites: their data files in the base
// directory's Datafile, the shared store listing them, HOTBIRD selected and its first
// transponder (the data beacon) tuned, the library system counted as started.
#pragma once
#include <functional>

#include "AppFixture.h"
#include "ConfigurationKeys.h"
#include "ConfigurationLoader.h"
#include "FileUpkeep.h"
#include "NullTvNotifier.h"
#include "RecordingReceptionControl.h"

namespace cv7::app::test {

class CoordinationFixture : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    fs::copy(CV7_DEFAULT_FILE_DIR, root / "base" / "DefaultFile");
    fs::copy(CV7_DEFAULT_FILE_DIR, root / "base" / "Datafile");
    store.writeText(config::kSatellite, config::kSatelliteDir, base);
    state.m_strBaseDir = base;
    state.m_strDataDir = base + "/Datafile";
    loader.writeFirstRunDefaults(false);  // HOTBIRD, ASTRA, ASIA SAT 2, KOREA SAT; HOTBIRD selected
    ASSERT_EQ(files.loadDataFile(), FileUpkeep::Result::Done);
    tuneSelected(1);
    state.StartOk = 1;
  }

  // The data transponder: transponder `number` of the selected satellite's database.
  void tuneSelected(uint32_t number) {
    Cvn_GetSatelliteInformation(&state.g_LnbInfo);
    Cvn_GetInfoTransponder(number, &state.g_TrInfo);
    state.g_TpNum = number;
  }
  QString dataFile(const char* name) const { return state.m_strDataDir + "/" + name; }
  // Changes a data file on disk as another program would, leaving the library's database
  // as it was.
  void changeFileElsewhere(const QString& path, const std::function<void()>& change) {
    const QByteArray keep = QFile::encodeName(base + "/keep.cvt"), file = QFile::encodeName(path);
    ASSERT_EQ(Cvn_ChannelFileCreate(keep.constData()), 1);
    Cvn_ChannelFileWrite();
    Cvn_ChannelFileClose();
    ASSERT_EQ(Cvn_ChannelFileOpen(file.constData()), FILE_OPEN_OK);
    Cvn_ChannelFileRead();
    change();
    Cvn_ChannelFileWrite();
    Cvn_ChannelFileClose();
    ASSERT_EQ(Cvn_ChannelFileOpen(keep.constData()), FILE_OPEN_OK);
    Cvn_ChannelFileRead();
    Cvn_ChannelFileClose();
  }
  void writeSatelliteList(const QStringList& names, const QStringList& files) {
    for (int i = 0; i < names.size(); ++i) {
      store.writeText(config::kSatellite, QString(config::kSatelliteNameFormat).arg(i + 1), names[i]);
      store.writeText(config::kSatellite, QString(config::kSatelliteFileFormat).arg(i + 1), files[i]);
    }
    store.writeInteger(config::kSatellite, config::kSatelliteNum, int(names.size()));
  }

  ConfigurationLoader loader{state, store, ui};
  FileUpkeep files{state, store, ui, clock};
  NullTvNotifier nobody;
  ReceptionStartup startup{state, store, ui, files, nobody};
  RecordingReceptionControl reception{startup};
};

}  // namespace cv7::app::test
