#include "TvLibrary.h"

#include <QMetaObject>
#include <chrono>
#include <thread>

namespace cv7tv {

TvLibrary::TvLibrary() {
  qRegisterMetaType<SiList>("SiList");
  bridge_.window.send = &TvLibrary::deliver;
  bridge_.owner = this;
}

TvLibrary::~TvLibrary() {
  if (open_) {
    Cvn_StopSystem();
    Cvn_CloseSystem();
  }
}

bool TvLibrary::open() {
  if (!open_) open_ = Cvn_OpenSystem(1, &bridge_.window, kEventMessage, kSearchMessage, 0) == 1;
  if (open_) Cvn_StartSystem();
  return open_;
}

intptr_t TvLibrary::deliver(CvnWindow* window, uint32_t message, uintptr_t, intptr_t lParam) {
  TvLibrary* self = reinterpret_cast<Bridge*>(window)->owner;
  if (message == kSearchMessage && lParam != 0) {
    const SiList list = *reinterpret_cast<const SiList*>(lParam);  // valid only during the send
    QMetaObject::invokeMethod(self, [self, list] { Q_EMIT self->searchResult(list); }, Qt::QueuedConnection);
  } else if (message == kEventMessage) {
    const int value = int(lParam);
    QMetaObject::invokeMethod(self, [self, value] { Q_EMIT self->cardEvent(value); }, Qt::QueuedConnection);
  }
  return 0;
}

int TvLibrary::openWithRetries(const std::string& path) {
  int result = Cvn_ChannelFileOpen(path.c_str());
  for (int attempt = 1; attempt < 6 && result == FILE_IS_USING; ++attempt) {
    Cvn_ChannelFileClose();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    result = Cvn_ChannelFileOpen(path.c_str());
  }
  return result;
}

bool TvLibrary::loadFile(const std::string& path, std::string& error) {
  switch (openWithRetries(path)) {
    case FILE_OPEN_OK: break;
    case FILE_IS_USING: error = "the file is in use by another application"; return false;
    default: error = "cannot open the file"; return false;
  }
  const bool read = Cvn_ChannelFileRead() == 1;
  Cvn_ChannelFileClose();
  if (!read) error = "cannot read the file";
  return read;
}

bool TvLibrary::saveFile(const std::string& path, std::string& error) {
  const int opened = openWithRetries(path);
  if (opened == FILE_IS_USING) {
    error = "the file is in use by another application";
    return false;
  }
  if (opened != FILE_OPEN_OK && Cvn_ChannelFileCreate(path.c_str()) != 1) {
    error = "cannot create the file";
    return false;
  }
  const bool written = Cvn_ChannelFileWrite() == 1;
  Cvn_ChannelFileClose();
  if (!written) error = "cannot write the file";
  return written;
}

}  // namespace cv7tv
