// A satellite data file changed through the library's own database and file functions, so
// that the bytes written are the library's: load() opens and reads a file into the
// library's channel database (refusing a file that another program holds), the command
// changes the database through the Cvn_ exports, and save() writes it out whole.
#pragma once
#include <string>
#include <vector>

#include "corvane.h"

namespace cv7ctl {

class SatelliteDatabase {
 public:
  // An empty database for a new satellite.
  static void start(const LnbInfo& lnb);
  // Reads the file into the library's database; throws a Failure when it cannot.
  static void load(const std::string& path);
  // Writes the database to the file (created, or emptied first); throws when it cannot.
  static void save(const std::string& path);

  static LnbInfo satellite();
  static uint32_t transponderCount();
  // Transponder n (1-based, frequency order); throws a bad-argument Failure naming the
  // file when there is none.
  static TrInfo transponder(uint32_t number, const std::string& path);
  static std::vector<ProgramInfo> programs(uint32_t transponder);
  static std::vector<DataInfo> data(uint32_t transponder);
  // Adds a transponder; returns its number, throws when an equal one exists or the list is full.
  static uint32_t addTransponder(TrInfo tr);
  static void addProgram(uint32_t transponder, ProgramInfo program);
  static void addData(uint32_t transponder, DataInfo data);
  // Removes every program and data service of the transponder.
  static void clearServices(uint32_t transponder);
};

}  // namespace cv7ctl
