#include "SatelliteDatabase.h"

#include "Failure.h"

namespace cv7ctl {

void SatelliteDatabase::start(const LnbInfo& lnb) {
  Cvn_FreeTransponderStructure();
  Cvn_SetNewLNBInformation(lnb);
}

void SatelliteDatabase::load(const std::string& path) {
  switch (Cvn_ChannelFileOpen(path.c_str())) {
    case FILE_OPEN_OK:
      break;
    case FILE_IS_USING:
      throw Failure::file(path, "in use by another program (its owner stamp is set); close that program first");
    default:
      throw Failure::file(path, "cannot be opened, or is not a satellite data file");
  }
  bool read = Cvn_ChannelFileRead() == 1;
  Cvn_ChannelFileClose();
  if (!read) throw Failure::file(path, "truncated or damaged (a record does not fit, or a transponder appears twice)");
}

void SatelliteDatabase::save(const std::string& path) {
  if (Cvn_ChannelFileCreate(path.c_str()) != 1) throw Failure::file(path, "cannot be created");
  bool written = Cvn_ChannelFileWrite() == 1;
  Cvn_ChannelFileClose();
  if (!written) throw Failure::file(path, "cannot be written");
}

LnbInfo SatelliteDatabase::satellite() {
  LnbInfo lnb{};
  Cvn_GetSatelliteInformation(&lnb);
  return lnb;
}

uint32_t SatelliteDatabase::transponderCount() { return uint32_t(Cvn_GetNumOfTransponder()); }

TrInfo SatelliteDatabase::transponder(uint32_t number, const std::string& path) {
  TrInfo tr{};
  if (number == 0 || Cvn_GetInfoTransponder(number, &tr) != 1)
    throw Failure::badArgument(path + " has " + std::to_string(transponderCount()) + " transponders, not " +
                               std::to_string(number));
  tr.TransponderNumber = number;
  return tr;
}

std::vector<ProgramInfo> SatelliteDatabase::programs(uint32_t transponder) {
  std::vector<ProgramInfo> list(uint32_t(Cvn_GetNumOfProgram(transponder)));
  for (size_t i = 0; i < list.size(); ++i) {
    list[i].ChNumber = transponder * 100 + uint32_t(i + 1);
    Cvn_GetInfoProgram(&list[i]);
  }
  return list;
}

std::vector<DataInfo> SatelliteDatabase::data(uint32_t transponder) {
  std::vector<DataInfo> list(uint32_t(Cvn_GetNumOfData(transponder)));
  for (size_t i = 0; i < list.size(); ++i) {
    list[i].DataNumber = transponder * 100 + uint32_t(i + 1);
    Cvn_GetInfoData(&list[i]);
  }
  return list;
}

uint32_t SatelliteDatabase::addTransponder(TrInfo tr) {
  if (Cvn_AddTransponder(&tr) != 1)
    throw Failure::badArgument(Cvn_GetNumOfTransponder() >= 100
                                   ? "a satellite data file holds at most 100 transponders"
                                   : "a transponder at " + std::to_string(tr.Frequency) + " kHz with symbol rate " +
                                         std::to_string(tr.SymbolRate) + " and this polarity is already in the file");
  return tr.TransponderNumber;
}

void SatelliteDatabase::addProgram(uint32_t transponder, ProgramInfo program) {
  if (Cvn_GetNumOfProgram(transponder) >= 99 || Cvn_AddProgram(transponder, &program) != 1)
    throw Failure::badArgument("transponder " + std::to_string(transponder) + " holds at most 99 programs");
}

void SatelliteDatabase::addData(uint32_t transponder, DataInfo data) {
  if (Cvn_GetNumOfData(transponder) >= 99 || Cvn_AddData(transponder, &data) != 1)
    throw Failure::badArgument("transponder " + std::to_string(transponder) + " holds at most 99 data services");
}

void SatelliteDatabase::clearServices(uint32_t transponder) {
  for (int32_t n = Cvn_GetNumOfProgram(transponder); n > 0; --n) Cvn_DeleteProgram(transponder * 100 + 1);
  for (int32_t n = Cvn_GetNumOfData(transponder); n > 0; --n) Cvn_DeleteData(transponder * 100 + 1);
}

}  // namespace cv7ctl
