// cv7ctl cvd: satellite data files (.cvd) from the shell. show reads a file without
// stamping it; new, add-transponder, remove-transponder, add-data, select-data and import
// change files only through the library's database and file functions (SatelliteDatabase);
// import and export convert from and to the Linux DVB tools' channel files and scan tables.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ChannelTable.h"
#include "Command.h"
#include "Failure.h"
#include "SatelliteDatabase.h"
#include "SatelliteFileReport.h"
#include "SatelliteFileView.h"
#include "Vocabulary.h"

namespace cv7ctl {
namespace {

constexpr size_t kMaxTableBytes = 16u << 20;

struct CvdOptions {
  std::string path, other, name, format = "channels";
  bool json = false, force = false, off = false, select = false;
  uint32_t number = 0, oscillator = 0, diseqc = 0, burst = 0, tone = 0, power = 1;
  uint32_t frequency = 0, symbolRate = 0, polarity = 0, transportId = 0;
  uint32_t pid = 0, encapsulation = 3, program = 0, pmt = 0, from = 0, to = 0;
  CLI::Option* toneOption = nullptr;
  CLI::Option* lnbOption = nullptr;
  CLI::Option* diseqcOption = nullptr;
};

SatelliteData readView(const std::string& path) {
  SatelliteData file;
  std::string error;
  if (!readSatelliteFile(path, file, error)) throw Failure::file(path, error);
  return file;
}

int runShow(const CvdOptions& o) {
  SatelliteData file = readView(o.path);
  if (o.json)
    std::printf("%s\n", jsonText(SatelliteFileReport::json(o.path, file)).c_str());
  else
    std::fputs(SatelliteFileReport::text(o.path, file).c_str(), stdout);
  return kExitOk;
}

void refuseExisting(const std::string& path, bool force) {
  std::error_code ignored;
  if (!force && std::filesystem::exists(path, ignored))
    throw Failure::file(path, "exists already (--force replaces it)");
}

int runNew(const CvdOptions& o) {
  if (o.oscillator == 0 && o.toneOption->count() > 0)
    throw Failure::badArgument("--tone: the 22 kHz tone of a universal LNB is chosen per transponder");
  refuseExisting(o.path, o.force);
  std::string name = o.name.empty() ? std::filesystem::path(o.path).stem().string() : o.name;
  if (name.size() > 29) throw Failure::badArgument("--name: a satellite name has at most 29 characters");
  LnbInfo lnb{};
  std::memcpy(lnb.SatelliteName, name.data(), name.size());
  lnb.LocalOscillator = o.oscillator;
  lnb.Tone22k = o.tone ? 0 : 1;
  lnb.LnbPower = o.power ? 0 : 1;
  lnb.ToneBurst = uint8_t(o.burst);
  lnb.DiSEqC = uint8_t(o.diseqc);
  SatelliteDatabase::start(lnb);
  SatelliteDatabase::save(o.path);
  std::printf("%s: satellite \"%s\", LNB %s, no transponders yet (cv7ctl cvd add-transponder)\n", o.path.c_str(),
              name.c_str(), lnbDescription(o.oscillator).c_str());
  return kExitOk;
}

int runAddTransponder(const CvdOptions& o) {
  SatelliteDatabase::load(o.path);
  TrInfo tr{0, o.frequency, o.symbolRate, o.polarity, uint16_t(o.transportId), {}};
  uint32_t number = SatelliteDatabase::addTransponder(tr);
  SatelliteDatabase::save(o.path);
  std::printf("%s: transponder %u: %u kHz, %u ksym/s, %s\n", o.path.c_str(), number, o.frequency, o.symbolRate,
              o.polarity ? "horizontal" : "vertical");
  return kExitOk;
}

int runRemoveTransponder(const CvdOptions& o) {
  SatelliteDatabase::load(o.path);
  TrInfo tr = SatelliteDatabase::transponder(o.number, o.path);
  Cvn_DeleteTransponder(o.number);
  SatelliteDatabase::save(o.path);
  std::printf("%s: removed transponder %u (%u kHz) with its programs and data services; the later ones moved down\n",
              o.path.c_str(), o.number, tr.Frequency);
  return kExitOk;
}

int runAddData(const CvdOptions& o) {
  SatelliteDatabase::load(o.path);
  SatelliteDatabase::transponder(o.number, o.path);
  DataInfo d{0, uint16_t(o.program), uint16_t(o.pmt), uint16_t(o.pid), uint16_t(o.encapsulation), o.select ? 1u : 0u, 0};
  SatelliteDatabase::addData(o.number, d);
  SatelliteDatabase::save(o.path);
  uint32_t number = o.number * 100 + uint32_t(Cvn_GetNumOfData(o.number));
  std::printf("%s: data service %u: PID 0x%04X, %s%s\n", o.path.c_str(), number, o.pid,
              nameOf(encapsulations(), o.encapsulation).c_str(), o.select ? ", selected" : "");
  return kExitOk;
}

int runSelectData(const CvdOptions& o) {
  SatelliteDatabase::load(o.path);
  uint32_t transponder = o.number / 100;
  DataInfo d{};
  d.DataNumber = o.number;
  d.Encapsulation = 0xFFFF;  // stays so when no data service has the number
  if (transponder == 0 || Cvn_GetInfoData(&d) != 1 || d.Encapsulation == 0xFFFF)
    throw Failure::badArgument(o.path + " has no data service " + std::to_string(o.number) +
                               " ('cv7ctl cvd show' lists them, e.g. 101 for the first of transponder 1)");
  d.SetFlag = o.off ? 0 : 1;
  Cvn_UpdateData(d);
  SatelliteDatabase::save(o.path);
  std::printf("%s: data service %u (PID 0x%04X, %s): %s\n", o.path.c_str(), o.number, d.DataPID,
              nameOf(encapsulations(), d.Encapsulation).c_str(), o.off ? "not selected" : "selected");
  return kExitOk;
}

std::string readText(const std::string& path) {
  std::string error;
  auto bytes = loadFile(path, error);
  if (!bytes) throw Failure::file(path, error);
  if (bytes->size() > kMaxTableBytes) throw Failure::file(path, "too large for a channel file");
  return std::string(bytes->begin(), bytes->end());
}

void printImportReport(const std::string& out, const ImportReport& r) {
  std::printf("%s: satellite \"%s\", LNB %s: %zu transponders, %zu programs, %zu data services\n", out.c_str(),
              std::string(r.lnb.SatelliteName, strnlen(r.lnb.SatelliteName, sizeof r.lnb.SatelliteName)).c_str(),
              lnbDescription(r.lnb.LocalOscillator).c_str(), r.transponders, r.programs, r.data);
  auto note = [](size_t count, const char* what) {
    if (count) std::fprintf(stderr, "cv7ctl: left out: %zu %s\n", count, what);
  };
  note(r.otherSystems, "entries of other delivery systems than DVB-S (the card receives DVB-S)");
  note(r.outsideRange, "entries outside --from/--to");
  note(r.repeated, "repeated transponders");
  note(r.withoutPids, "services without video, audio or data PIDs");
  note(r.audioLeftOut, "audio PIDs beyond the 6 a program holds");
}

int runImport(const CvdOptions& o) {
  std::string error;
  auto entries = DvbChannelFile::parse(readText(o.path), error);
  if (!entries) throw Failure::file(o.path, error);
  refuseExisting(o.other, o.force);
  ImportChoices choices;
  choices.name = o.name;
  if (choices.name.size() > 29) throw Failure::badArgument("--name: a satellite name has at most 29 characters");
  if (o.lnbOption->count() > 0) choices.lnb = o.oscillator;
  if (o.diseqcOption->count() > 0) choices.diseqc = o.diseqc;
  if (o.from) choices.fromKHz = o.from;
  if (o.to) choices.toKHz = o.to;
  ImportReport report = ChannelTable::import(*entries, choices, o.path);
  SatelliteDatabase::save(o.other);
  printImportReport(o.other, report);
  return kExitOk;
}

int runExport(const CvdOptions& o) {
  SatelliteData file = readView(o.path);
  std::string text = DvbChannelFile::format(o.format == "scan-table" ? ChannelTable::scanTable(file)
                                                                      : ChannelTable::channels(file));
  if (o.other == "-") {
    std::fputs(text.c_str(), stdout);
    return kExitOk;
  }
  refuseExisting(o.other, o.force);
  std::ofstream out(o.other, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) throw Failure::file(o.other, "cannot be written");
  return kExitOk;
}

// ---- the command line ----

void addFile(CLI::App& command, CvdOptions& o, const char* what = "Satellite data file (.cvd)") {
  command.add_option("FILE", o.path, what)->required();
}

void addTransponderNumber(CLI::App& command, CvdOptions& o) {
  command.add_option("N", o.number, "Transponder number, 1-based in frequency order (as 'cvd show' lists them)")
      ->required()
      ->check(CLI::Range(1u, 100000u));
}

void defineNew(CLI::App& cvd, CvdOptions& o) {
  CLI::App* c = cvd.add_subcommand("new", "Make a satellite data file for a dish: its LNB and switch settings");
  addFile(*c, o);
  c->add_option("--name", o.name, "Satellite name, up to 29 characters (default: the file name)");
  c->add_option("--lnb", o.oscillator, "LNB type")->required()->transform(accept::lnb())->type_name("LNB");
  c->add_option("--diseqc", o.diseqc, "DiSEqC switch port of the dish")->transform(accept::diseqc())->type_name("PORT")->default_str("none");
  c->add_option("--tone-burst", o.burst, "Tone-burst switch position")->transform(accept::toneBurst())->type_name("BURST")->default_str("none");
  o.toneOption = c->add_option("--tone", o.tone, "22 kHz tone of a fixed LNB (a universal LNB's is chosen per transponder)")
                     ->transform(accept::onOff())->type_name("SWITCH")
                     ->default_str("off");
  c->add_option("--power", o.power, "LNB power")->transform(accept::onOff())->type_name("SWITCH")->default_str("on");
  c->add_flag("--force", o.force, "Replace an existing file");
  setRun(*c, [&o] { return runNew(o); });
}

void defineTransponderCommands(CLI::App& cvd, CvdOptions& o) {
  CLI::App* add = cvd.add_subcommand("add-transponder", "Add a transponder (kept in frequency order, numbers follow)");
  addFile(*add, o);
  add->add_option("--freq", o.frequency, "Frequency")->required()->transform(accept::frequency())->type_name("FREQ");
  add->add_option("--sr", o.symbolRate, "Symbol rate")->required()->transform(accept::symbolRate())->type_name("RATE");
  add->add_option("--pol", o.polarity, "Polarity")->required()->transform(accept::polarity())->type_name("POL");
  add->add_option("--tsid", o.transportId, "Transport stream id, if known")->check(CLI::Range(0u, 0xFFFFu));
  setRun(*add, [&o] { return runAddTransponder(o); });
  CLI::App* remove = cvd.add_subcommand("remove-transponder", "Remove transponder N with its programs and data services");
  addFile(*remove, o);
  addTransponderNumber(*remove, o);
  setRun(*remove, [&o] { return runRemoveTransponder(o); });
}

void defineDataCommands(CLI::App& cvd, CvdOptions& o) {
  CLI::App* add = cvd.add_subcommand("add-data", "Add a data service to transponder N");
  addFile(*add, o);
  addTransponderNumber(*add, o);
  add->add_option("--pid", o.pid, "Data PID")->required()->transform(accept::pid())->type_name("PID");
  add->add_option("--encapsulation", o.encapsulation, "Data encapsulation")->transform(accept::encapsulation())->type_name("ENCAPSULATION")->default_str("mpe");
  add->add_option("--program", o.program, "Program number that carries the data")->check(CLI::Range(0u, 0xFFFFu));
  add->add_option("--pmt", o.pmt, "PMT PID of that program")->transform(accept::pid())->type_name("PID");
  add->add_flag("--select", o.select, "Select it for reception");
  setRun(*add, [&o] { return runAddData(o); });
  CLI::App* select = cvd.add_subcommand("select-data", "Select a data service for reception (the data PID choice)");
  addFile(*select, o);
  select->add_option("NUMBER", o.number, "Data service number as 'cvd show' lists it (101 = transponder 1's first)")
      ->required();
  select->add_flag("--off", o.off, "Deselect it instead");
  setRun(*select, [&o] { return runSelectData(o); });
}

void defineConversions(CLI::App& cvd, CvdOptions& o) {
  CLI::App* import = cvd.add_subcommand(
      "import", "Make a satellite data file from a DVBv5 channel file or a dtv-scan-tables scan table");
  import->add_option("TABLE", o.path, "Channel file or scan table, e.g. /usr/share/dvb/dvb-s/Astra-19.2E")->required();
  import->add_option("FILE", o.other, "Satellite data file to write (.cvd)")->required();
  import->add_option("--name", o.name, "Satellite name (default: the table's, else its file name)");
  o.lnbOption = import->add_option("--lnb", o.oscillator, "LNB type (default: the table's LNB; c-band below 5 GHz, else universal)")
                    ->transform(accept::lnb())->type_name("LNB");
  o.diseqcOption = import->add_option("--diseqc", o.diseqc, "DiSEqC port (default: the table's SAT_NUMBER + 1, else none)")
                       ->transform(accept::diseqc())->type_name("PORT");
  import->add_option("--from", o.from, "Lowest frequency to take")->transform(accept::frequency())->type_name("FREQ");
  import->add_option("--to", o.to, "Highest frequency to take")->transform(accept::frequency())->type_name("FREQ");
  import->add_flag("--force", o.force, "Replace an existing file");
  setRun(*import, [&o] { return runImport(o); });
  CLI::App* exportCommand = cvd.add_subcommand("export", "Write a satellite data file as a DVBv5 channel file or scan table");
  addFile(*exportCommand, o);
  exportCommand->add_option("OUT", o.other, "Output file; - is standard output")->required();
  exportCommand->add_option("--format", o.format, "channels: DVBv5 channel file (dvbv5-zap); scan-table: initial "
                                                   "tuning file (dvbv5-scan)")
      ->check(CLI::IsMember({"channels", "scan-table"}))
      ->capture_default_str();
  exportCommand->add_flag("--force", o.force, "Replace an existing file");
  setRun(*exportCommand, [&o] { return runExport(o); });
}

CommandRegistration cvd{"cvd", "Satellite data files (.cvd): show, new, add-transponder, remove-transponder, add-data, "
                               "select-data, import, export",
                        kGroupFiles, [](CLI::App& command) {
                          command.require_subcommand(1);
                          static CvdOptions o;
                          CLI::App* show = command.add_subcommand("show", "Print a satellite data file");
                          addFile(*show, o);
                          show->add_flag("--json", o.json, "Print the result as one JSON object (for scripts)");
                          setRun(*show, [] { return runShow(o); });
                          defineNew(command, o);
                          defineTransponderCommands(command, o);
                          defineDataCommands(command, o);
                          defineConversions(command, o);
                        }};

}  // namespace
}  // namespace cv7ctl
