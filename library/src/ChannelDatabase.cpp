// The channel database: frequency-ordered transponders and their numbered entries.
#include "ChannelDatabase.h"

#include <algorithm>
#include <new>
#include <utility>

#include "ChannelRecords.h"

namespace corvane {
namespace {

uint32_t& numberOf(ProgramInfo& p) { return p.ChNumber; }
uint32_t& numberOf(DataInfo& d) { return d.DataNumber; }

bool equalTransponder(const TrInfo& a, const TrInfo& b) {
  return a.Frequency == b.Frequency && a.SymbolRate == b.SymbolRate && a.Polarity == b.Polarity;
}

template <typename Entry>
bool appendEntry(std::vector<Entry>& list, uint32_t transponderNumber, const Entry& stored, uint32_t& assigned) {
  if (list.size() >= ChannelDatabase::kMaxEntries) return false;
  try {
    list.push_back(stored);
  } catch (const std::bad_alloc&) {
    return false;
  }
  uint32_t number = list.size() == 1 ? transponderNumber * 100 + 1 : numberOf(list[list.size() - 2]) + 1;
  numberOf(list.back()) = number;
  assigned = number;
  return true;
}

template <typename Entry>
Entry* findEntry(std::vector<Entry>& list, uint32_t transponderNumber, uint32_t number) {
  uint32_t place = number - transponderNumber * 100;
  if (place == 0 || place > list.size()) return nullptr;
  Entry& entry = list[place - 1];
  return numberOf(entry) == number ? &entry : nullptr;
}

template <typename Entry>
void eraseEntry(std::vector<Entry>& list, uint32_t transponderNumber, uint32_t number) {
  Entry* entry = findEntry(list, transponderNumber, number);
  if (entry == nullptr) return;
  auto at = list.erase(list.begin() + (entry - list.data()));
  for (; at != list.end(); ++at) numberOf(*at) -= 1;
}

template <typename Entry>
void shiftEntries(std::vector<Entry>& list, int32_t delta) {
  for (Entry& entry : list) numberOf(entry) += static_cast<uint32_t>(delta * 100);
}

}  // namespace

void ChannelDatabase::setSatellite(const LnbInfo& lnb) { satellite_ = storedLnb(lnb); }

bool ChannelDatabase::addTransponder(TrInfo& tr, bool limited) {
  if (limited && transponders_.size() >= kMaxTransponders) return false;
  for (const Transponder& held : transponders_)
    if (equalTransponder(held.info, tr)) return false;
  // Room first: once the later transponders are renumbered, the insert below cannot fail,
  // so a failed allocation leaves the numbering as it was.
  try {
    transponders_.reserve(transponders_.size() + 1);
  } catch (const std::bad_alloc&) {
    return false;
  }
  auto later = std::find_if(transponders_.begin(), transponders_.end(),
                            [&](const Transponder& held) { return held.info.Frequency > tr.Frequency; });
  size_t index = static_cast<size_t>(later - transponders_.begin());
  renumberFrom(index, +1);
  Transponder node;
  node.info = storedTransponder(tr);
  node.info.TransponderNumber = static_cast<uint32_t>(index + 1);
  transponders_.insert(transponders_.begin() + static_cast<std::ptrdiff_t>(index), std::move(node));
  tr.TransponderNumber = static_cast<uint32_t>(index + 1);
  return true;
}

bool ChannelDatabase::deleteTransponder(uint32_t number) {
  if (transponder(number) == nullptr) return false;
  transponders_.erase(transponders_.begin() + (number - 1));
  renumberFrom(number - 1, -1);
  return true;
}

void ChannelDatabase::clear() {
  std::vector<Transponder>().swap(transponders_);
}

void ChannelDatabase::renumberFrom(size_t index, int32_t delta) {
  for (size_t i = index; i < transponders_.size(); ++i) {
    Transponder& t = transponders_[i];
    t.info.TransponderNumber += static_cast<uint32_t>(delta);
    shiftEntries(t.programs, delta);
    shiftEntries(t.data, delta);
  }
}

const ChannelDatabase::Transponder* ChannelDatabase::transponder(uint32_t number) const {
  if (number == 0 || number > transponders_.size()) return nullptr;
  return &transponders_[number - 1];
}

ChannelDatabase::Transponder* ChannelDatabase::transponder(uint32_t number) {
  return const_cast<Transponder*>(std::as_const(*this).transponder(number));
}

bool ChannelDatabase::appendProgram(Transponder& owner, ProgramInfo& program) {
  return appendEntry(owner.programs, owner.info.TransponderNumber, storedProgram(program), program.ChNumber);
}

bool ChannelDatabase::appendData(Transponder& owner, DataInfo& data) {
  return appendEntry(owner.data, owner.info.TransponderNumber, storedData(data), data.DataNumber);
}

bool ChannelDatabase::addProgram(uint32_t transponderNumber, ProgramInfo& program) {
  Transponder* owner = transponder(transponderNumber);
  return owner != nullptr && appendProgram(*owner, program);
}

bool ChannelDatabase::addData(uint32_t transponderNumber, DataInfo& data) {
  Transponder* owner = transponder(transponderNumber);
  return owner != nullptr && appendData(*owner, data);
}

void ChannelDatabase::adopt(std::vector<Transponder>&& nodes) {
  transponders_ = std::move(nodes);
  std::stable_sort(transponders_.begin(), transponders_.end(),
                   [](const Transponder& a, const Transponder& b) { return a.info.Frequency < b.info.Frequency; });
  for (size_t i = 0; i < transponders_.size(); ++i) {
    Transponder& t = transponders_[i];
    t.info.TransponderNumber = static_cast<uint32_t>(i + 1);
    for (size_t j = 0; j < t.programs.size(); ++j) t.programs[j].ChNumber = t.info.TransponderNumber * 100 + static_cast<uint32_t>(j + 1);
    for (size_t j = 0; j < t.data.size(); ++j) t.data[j].DataNumber = t.info.TransponderNumber * 100 + static_cast<uint32_t>(j + 1);
  }
}

ProgramInfo* ChannelDatabase::findProgram(Transponder& owner, uint32_t chNumber) {
  return findEntry(owner.programs, owner.info.TransponderNumber, chNumber);
}

DataInfo* ChannelDatabase::findData(Transponder& owner, uint32_t dataNumber) {
  return findEntry(owner.data, owner.info.TransponderNumber, dataNumber);
}

void ChannelDatabase::deleteProgram(uint32_t chNumber) {
  if (Transponder* owner = transponder(chNumber / 100)) eraseEntry(owner->programs, chNumber / 100, chNumber);
}

void ChannelDatabase::deleteData(uint32_t dataNumber) {
  if (Transponder* owner = transponder(dataNumber / 100)) eraseEntry(owner->data, dataNumber / 100, dataNumber);
}

ChannelDatabase& channelDatabase() {
  static ChannelDatabase* database = new ChannelDatabase;
  return *database;
}

}  // namespace corvane
