// Copy rules of the channel records.
#include "ChannelRecords.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace corvane {

size_t audioEntriesToCopy(const ProgramInfo& program) {
  return std::min<size_t>(program.AudioPIDCount, std::size(program.AudioPID));
}

LnbInfo storedLnb(const LnbInfo& lnb) {
  LnbInfo out{};
  std::memcpy(out.SatelliteName, lnb.SatelliteName, sizeof out.SatelliteName);
  out.LocalOscillator = lnb.LocalOscillator;
  out.Tone22k = lnb.Tone22k;
  out.LnbPower = lnb.LnbPower;
  out.ToneBurst = lnb.ToneBurst;
  out.DiSEqC = lnb.DiSEqC;
  return out;
}

void copyTransponderFields(TrInfo& to, const TrInfo& from) {
  to.TransponderNumber = from.TransponderNumber;
  to.Frequency = from.Frequency;
  to.SymbolRate = from.SymbolRate;
  to.Polarity = from.Polarity;
  to.TransportID = from.TransportID;
}

TrInfo storedTransponder(const TrInfo& tr) {
  TrInfo out{};
  copyTransponderFields(out, tr);
  return out;
}

void copyProgramFields(ProgramInfo& to, const ProgramInfo& from) {
  to.VideoPID = from.VideoPID;
  to.AudioPIDCount = from.AudioPIDCount;
  std::copy_n(from.AudioPID, audioEntriesToCopy(from), to.AudioPID);
  to.PcrPID = from.PcrPID;
  to.TTxtPID = from.TTxtPID;
  to.pgnumber = from.pgnumber;
  to.PmtPID = from.PmtPID;
  to.Scrambled = from.Scrambled;
  to.TVorRadio = from.TVorRadio;
  std::memcpy(to.ProgramName, from.ProgramName, sizeof to.ProgramName);
}

ProgramInfo storedProgram(const ProgramInfo& program) {
  ProgramInfo out{};
  copyProgramFields(out, program);
  return out;
}

void copyDataFields(DataInfo& to, const DataInfo& from) {
  to.pgnumber = from.pgnumber;
  to.PmtPID = from.PmtPID;
  to.DataPID = from.DataPID;
  to.Encapsulation = from.Encapsulation;
  to.SetFlag = from.SetFlag;
  to.Reserved = from.Reserved;
}

DataInfo storedData(const DataInfo& data) {
  DataInfo out{};
  copyDataFields(out, data);
  return out;
}

void copyFavorite(FavoriteInfo& to, const FavoriteInfo& from) {
  LnbInfo lnb = storedLnb(from.Lnb);
  std::memcpy(to.Lnb.SatelliteName, lnb.SatelliteName, sizeof lnb.SatelliteName);
  to.Lnb.LocalOscillator = lnb.LocalOscillator;
  to.Lnb.Tone22k = lnb.Tone22k;
  to.Lnb.LnbPower = lnb.LnbPower;
  to.Lnb.ToneBurst = lnb.ToneBurst;
  to.Lnb.DiSEqC = lnb.DiSEqC;
  copyTransponderFields(to.Tr, from.Tr);
  to.Program.ChNumber = from.Program.ChNumber;
  copyProgramFields(to.Program, from.Program);
}

FavoriteInfo storedFavorite(const FavoriteInfo& favorite) {
  FavoriteInfo out{};
  copyFavorite(out, favorite);
  return out;
}

bool sameFavoriteKey(const FavoriteInfo& a, const FavoriteInfo& b) {
  return a.Program.ChNumber == b.Program.ChNumber &&
         std::strncmp(a.Lnb.SatelliteName, b.Lnb.SatelliteName, sizeof a.Lnb.SatelliteName) == 0;
}

}  // namespace corvane
