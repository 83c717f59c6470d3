// The favourite file (.fch).
#include "FavoriteFile.h"

#include <cstring>

#include "RecordReader.h"
#include "RecordWriter.h"
#include "corvane.h"

namespace corvane {

bool FavoriteFile::open(const char* path) {
  if (!file_.open(path)) return false;
  char magic[sizeof kRecordFileMagic];
  if (!file_.readAt(0, magic, sizeof magic) || std::memcmp(magic, kRecordFileMagic, sizeof magic) != 0) {
    file_.close();
    return false;
  }
  return true;
}

bool FavoriteFile::create(const char* path) { return file_.create(path); }

bool FavoriteFile::read(FavoriteList& list) {
  if (!file_.isOpen()) return false;
  list.clear();
  int64_t size = file_.size();
  if (size < 0) return false;
  RecordReader reader(file_, kCountOffset, size - static_cast<int64_t>(kCountOffset));
  uint32_t count = 0;
  if (!reader.read(count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    FavoriteInfo favorite{};
    if (!reader.read(favorite) || !list.add(favorite)) return false;
  }
  return true;
}

// The walk goes by key, as the list is meant to hold each key once; with repeated keys it
// writes the first of them again where a later one stood.
bool FavoriteFile::write(const FavoriteList& list) {
  if (!file_.isOpen()) return false;
  RecordWriter writer(file_, 0);
  writer.bytes(kRecordFileMagic, sizeof kRecordFileMagic);
  writer.write(static_cast<uint32_t>(list.size()));
  const FavoriteInfo* current = list.at(1);
  for (size_t i = 0; i < list.size(); ++i) {
    if (current == nullptr || !writer.write(*current)) return false;
    current = list.next(*current);
  }
  return writer.finish();
}

bool FavoriteFile::close() {
  if (!file_.isOpen()) return false;
  file_.close();
  return true;
}

FavoriteFile& favoriteFile() {
  static FavoriteFile* file = new FavoriteFile;
  return *file;
}

}  // namespace corvane

extern "C" {

int32_t Cvn_FavoriteFileOpen(const char* path) { return corvane::favoriteFile().open(path) ? FILE_OPEN_OK : 0; }

int32_t Cvn_FavoriteFileCreate(const char* path) { return corvane::favoriteFile().create(path) ? 1 : 0; }

int32_t Cvn_FavoriteFileClose() { return corvane::favoriteFile().close() ? 1 : 0; }

int32_t Cvn_FavoriteWriteFile() { return corvane::favoriteFile().write(corvane::favoriteList()) ? 1 : 0; }

int32_t Cvn_FavoriteReadFile() { return corvane::favoriteFile().read(corvane::favoriteList()) ? 1 : 0; }

}  // extern "C"
