// The satellite data file (.cvd): owner stamp, reading and writing the database.
#include "SatelliteFile.h"

#include <cstring>

#include "LibraryState.h"
#include "RecordReader.h"
#include "RecordWriter.h"
#include "corvane.h"

namespace corvane {
namespace {

bool readBlock(RecordReader& reader, ChannelDatabase& database) {
  TrInfo tr{};
  uint32_t count = 0;
  if (!reader.read(tr) || !database.addTransponder(tr, false) || !reader.read(count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    ProgramInfo program{};
    if (!reader.read(program) || !database.addProgram(tr.TransponderNumber, program)) return false;
  }
  if (!reader.read(count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    DataInfo data{};
    if (!reader.read(data) || !database.addData(tr.TransponderNumber, data)) return false;
  }
  return true;
}

void writeBlock(RecordWriter& writer, const ChannelDatabase::Transponder& t) {
  writer.write(t.info);
  writer.write(static_cast<uint32_t>(t.programs.size()));
  for (const ProgramInfo& program : t.programs) writer.write(program);
  writer.write(static_cast<uint32_t>(t.data.size()));
  for (const DataInfo& data : t.data) writer.write(data);
}

}  // namespace

int32_t SatelliteFile::open(const char* path, uint32_t clientMode) {
  if (!file_.open(path)) return FILE_OPEN_ERROR;
  char magic[sizeof kRecordFileMagic];
  uint32_t stamp = 0;
  if (!file_.readAt(0, magic, sizeof magic) || std::memcmp(magic, kRecordFileMagic, sizeof magic) != 0 ||
      !file_.readAt(kStampOffset, &stamp, sizeof stamp)) {
    file_.close();
    return FILE_OPEN_ERROR;
  }
  if (stamp != 0) {
    if (stamp == clientMode) return FILE_OPEN_OK;
    file_.close();
    return FILE_IS_USING;
  }
  if (!file_.writeAt(kStampOffset, &clientMode, sizeof clientMode)) {
    file_.close();
    return FILE_OPEN_ERROR;
  }
  return FILE_OPEN_OK;
}

bool SatelliteFile::create(const char* path) { return file_.create(path); }

bool SatelliteFile::read(ChannelDatabase& database) {
  if (!file_.isOpen()) return false;
  database.clear();
  int64_t size = file_.size();
  if (size < 0) return false;
  RecordReader reader(file_, kLnbOffset, size - static_cast<int64_t>(kLnbOffset));
  LnbInfo lnb{};
  uint32_t count = 0;
  if (!reader.read(lnb)) return false;
  database.setSatellite(lnb);
  if (!reader.read(count)) return false;
  for (uint32_t i = 0; i < count; ++i)
    if (!readBlock(reader, database)) return false;
  return true;
}

bool SatelliteFile::write(const ChannelDatabase& database, uint32_t clientMode) {
  if (!file_.isOpen()) return false;
  RecordWriter writer(file_, 0);
  writer.bytes(kRecordFileMagic, sizeof kRecordFileMagic);
  writer.write(clientMode);
  writer.write(database.satellite());
  writer.write(static_cast<uint32_t>(database.transponderCount()));
  for (const ChannelDatabase::Transponder& t : database.transponders()) writeBlock(writer, t);
  return writer.finish();
}

bool SatelliteFile::close() {
  if (!file_.isOpen()) return false;
  uint32_t stamp = 0;
  bool cleared = false;
  if (file_.readAt(kStampOffset, &stamp, sizeof stamp) && stamp != 0) {
    const uint32_t nobody = 0;
    cleared = file_.writeAt(kStampOffset, &nobody, sizeof nobody);
  }
  file_.close();
  return cleared;
}

SatelliteFile& satelliteFile() {
  static SatelliteFile* file = new SatelliteFile;
  return *file;
}

}  // namespace corvane

extern "C" {

// The stamp of this process is the client mode of its open connection, 0 without one.
int32_t Cvn_ChannelFileOpen(const char* path) {
  return corvane::satelliteFile().open(path, corvane::openClientMode());
}

int32_t Cvn_ChannelFileCreate(const char* path) { return corvane::satelliteFile().create(path) ? 1 : 0; }

int32_t Cvn_ChannelFileClose() { return corvane::satelliteFile().close() ? 1 : 0; }

// Reading adds transponders by the rules of Cvn_AddTransponder but without its limit of 100.
int32_t Cvn_ChannelFileRead() { return corvane::satelliteFile().read(corvane::channelDatabase()) ? 1 : 0; }

int32_t Cvn_ChannelFileWrite() {
  return corvane::satelliteFile().write(corvane::channelDatabase(), corvane::openClientMode()) ? 1 : 0;
}

}  // extern "C"
