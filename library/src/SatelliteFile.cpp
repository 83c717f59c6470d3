// The satellite data file (.cvd): owner stamp, reading and writing the database.
#include "SatelliteFile.h"

#include <cstring>
#include <new>
#include <set>
#include <tuple>
#include <vector>

#include "ChannelRecords.h"
#include "LibraryState.h"
#include "RecordReader.h"
#include "RecordWriter.h"
#include "corvane.h"

namespace corvane {
namespace {

// The transponders read so far, kept apart from the database until the read ends, and the
// keys (frequency, symbol rate, polarity) that make two of them equal.
struct ReadBlocks {
  std::vector<ChannelDatabase::Transponder> nodes;
  std::set<std::tuple<uint32_t, uint32_t, uint32_t>> keys;
};

// Takes one transponder as Cvn_AddTransponder would, without the limit of 100: an equal
// one already read fails it.
bool takeTransponder(ReadBlocks& blocks, const TrInfo& tr) {
  try {
    if (!blocks.keys.emplace(tr.Frequency, tr.SymbolRate, tr.Polarity).second) return false;
    blocks.nodes.emplace_back();
  } catch (const std::bad_alloc&) {
    return false;
  }
  blocks.nodes.back().info = storedTransponder(tr);
  return true;
}

bool readBlock(RecordReader& reader, ReadBlocks& blocks) {
  TrInfo tr{};
  uint32_t count = 0;
  if (!reader.read(tr) || !takeTransponder(blocks, tr) || !reader.read(count)) return false;
  ChannelDatabase::Transponder& node = blocks.nodes.back();
  for (uint32_t i = 0; i < count; ++i) {
    ProgramInfo program{};
    if (!reader.read(program) || !ChannelDatabase::appendProgram(node, program)) return false;
  }
  if (!reader.read(count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    DataInfo data{};
    if (!reader.read(data) || !ChannelDatabase::appendData(node, data)) return false;
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
  // Every process that has the file open holds a shared lock on it. Whoever gets the
  // exclusive lock is alone with the file, so a stamp it finds is stale: its holder ended
  // without closing (the system dropped its lock with the process).
  bool alone = file_.tryLockExclusive();
  if (!alone) file_.lockShared();  // a failure leaves the file unlocked: the stamp decides
  char magic[sizeof kRecordFileMagic];
  uint32_t stamp = 0;
  if (!file_.readAt(0, magic, sizeof magic) || std::memcmp(magic, kRecordFileMagic, sizeof magic) != 0 ||
      !file_.readAt(kStampOffset, &stamp, sizeof stamp)) {
    file_.close();
    return FILE_OPEN_ERROR;
  }
  if (stamp != 0 && stamp != clientMode && !alone) {
    file_.close();
    return FILE_IS_USING;
  }
  if (stamp != clientMode && !file_.writeAt(kStampOffset, &clientMode, sizeof clientMode)) {
    file_.close();
    return FILE_OPEN_ERROR;
  }
  if (alone) file_.lockShared();
  return FILE_OPEN_OK;
}

bool SatelliteFile::create(const char* path) {
  if (!file_.create(path)) return false;
  file_.lockShared();
  return true;
}

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
  // Inserting each block into the numbered list would renumber all later transponders
  // every time; ordering once at the end gives the same list (stable by frequency).
  ReadBlocks blocks;
  bool whole = true;
  for (uint32_t i = 0; i < count && whole; ++i) whole = readBlock(reader, blocks);
  database.adopt(std::move(blocks.nodes));
  return whole;
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
