// Identifiers of the application's string table (app/resources/strings/english.json).
// Message boxes, captions, column headers and tool tips name their texts by these numbers.
#pragma once
#include <array>

namespace cv7::app::StringId {

inline constexpr int NoText = 0;  // "No message" as a text, "No title" as a title
inline constexpr int TipAddTransponder = 129;
inline constexpr int Language = 130;  // "English", or "Korean" in the Korean table
inline constexpr int TipDeleteTransponder = 131;
inline constexpr int TipEditTransponder = 133;
inline constexpr int TipLockTest = 136;
inline constexpr int TipSelectSatellite = 155;
inline constexpr int TipAddSatellite = 156;
inline constexpr int TipDeleteSatellite = 157;
inline constexpr int TipEditSatellite = 158;
inline constexpr int TipAutoScan = 159;
inline constexpr int RegistryRoot = 160;
inline constexpr int DataNotifyMessage = 161;
inline constexpr int TvNotifyMessage = 162;
inline constexpr int AlreadyRunning = 172;
inline constexpr int NotEnoughMemory = 173;
inline constexpr int EnterSatelliteName = 175;
inline constexpr int InvalidLocalOscillator = 176;
inline constexpr int SatelliteNameTaken = 177;
inline constexpr int ConfirmAutoScan = 178;
inline constexpr int NoTransponder = 179;
inline constexpr int AutoScanFinished = 180;
inline constexpr int WrongFileExtension = 181;
inline constexpr int ConfirmUpdateSatellite = 182;
inline constexpr int FileAlreadyRegistered = 183;
inline constexpr int ConfirmUseSatellite = 184;
inline constexpr int InvalidFrequency = 185;
inline constexpr int InvalidSymbolRate = 186;
inline constexpr int ConfirmDeleteSatellite = 187;
inline constexpr int LastSatellite = 188;
inline constexpr int TvScanRunning = 189;
inline constexpr int ConfirmDeleteTransponder = 190;
inline constexpr int NewIpAddress = 191;
inline constexpr int SystemError = 193;
inline constexpr int SatelliteDamaged = 195;
inline constexpr int AppTitle = 197;
inline constexpr int FileOpenFailed = 199;
inline constexpr int FileReadFailed = 200;
inline constexpr int FileWriteFailed = 201;
inline constexpr int FileCreateFailed = 202;
inline constexpr int Scanning = 203;
inline constexpr int Tone22kOn = 204;
inline constexpr int Tone22kOff = 205;
inline constexpr int LnbPowerOn = 206;
inline constexpr int LnbPowerOff = 207;
inline constexpr int Disabled = 208;
inline constexpr int ToneBurst = 209;
inline constexpr int UniversalLnb = 210;
inline constexpr int Port = 211;
inline constexpr int AddTransponderTitle = 216;
inline constexpr int EditTransponderTitle = 218;
inline constexpr int AddSatelliteTitle = 219;
inline constexpr int EditSatelliteTitle = 220;
inline constexpr int Ok = 221;
inline constexpr int AutoScanTitle = 222;
inline constexpr int ScanTitle = 223;
inline constexpr int ColumnNo = 224;
inline constexpr int ColumnFrequency = 225;
inline constexpr int ColumnSymbolRate = 226;
inline constexpr int ColumnPolarity = 227;
inline constexpr int ColumnLocking = 228;
inline constexpr int ColumnChannels = 229;
inline constexpr int PolarityVertical = 230;
inline constexpr int PolarityHorizontal = 231;
inline constexpr int ColumnFrequencyMHz = 232;
inline constexpr int ColumnSymbolRateMSymbol = 233;
inline constexpr int Lock = 238;
inline constexpr int Unlock = 239;
inline constexpr int AddDataPidTitle = 285;
inline constexpr int EditDataPidTitle = 286;
inline constexpr int HexadecimalTip = 289;
inline constexpr int DecimalTip = 290;
inline constexpr int PermanentAddress = 291;
inline constexpr int StationAddress = 292;
inline constexpr int Radio = 293;
inline constexpr int InvalidDataPid = 301;
inline constexpr int NoTcpIp = 304;
inline constexpr int DataPidLimit = 305;
inline constexpr int ConfirmDeleteDataPid = 306;
inline constexpr int IpAddressDisabled = 310;
inline constexpr int ConfirmSaveSatellite = 311;
inline constexpr int FrequencyRange = 312;
inline constexpr int TryAgain = 313;
inline constexpr int NotLockedCaption = 317;
inline constexpr int DataCaption = 318;
inline constexpr int ColumnName = 319;
inline constexpr int ColumnTvRadio = 320;
inline constexpr int ColumnScrambled = 321;
inline constexpr int TipSetNetworkPid = 322;
inline constexpr int TipReleaseNetworkPid = 323;
inline constexpr int TipAddDataPid = 324;
inline constexpr int TipEditDataPid = 325;
inline constexpr int TipDeleteDataPid = 326;
inline constexpr int SatelliteListFull = 330;
inline constexpr int TrayTip = 57344;  // also the main frame's title

// Every identifier the table holds.
inline constexpr std::array kAll = {
    TipAddTransponder, Language, TipDeleteTransponder, TipEditTransponder, TipLockTest, TipSelectSatellite,
    TipAddSatellite, TipDeleteSatellite, TipEditSatellite, TipAutoScan, RegistryRoot, DataNotifyMessage,
    TvNotifyMessage, AlreadyRunning, NotEnoughMemory, EnterSatelliteName, InvalidLocalOscillator,
    SatelliteNameTaken, ConfirmAutoScan, NoTransponder, AutoScanFinished, WrongFileExtension,
    ConfirmUpdateSatellite, FileAlreadyRegistered, ConfirmUseSatellite, InvalidFrequency, InvalidSymbolRate,
    ConfirmDeleteSatellite, LastSatellite, TvScanRunning, ConfirmDeleteTransponder, NewIpAddress, SystemError,
    SatelliteDamaged, AppTitle, FileOpenFailed, FileReadFailed, FileWriteFailed, FileCreateFailed, Scanning,
    Tone22kOn, Tone22kOff, LnbPowerOn, LnbPowerOff, Disabled, ToneBurst, UniversalLnb, Port, AddTransponderTitle,
    EditTransponderTitle, AddSatelliteTitle, EditSatelliteTitle, Ok, AutoScanTitle, ScanTitle, ColumnNo,
    ColumnFrequency, ColumnSymbolRate, ColumnPolarity, ColumnLocking, ColumnChannels, PolarityVertical,
    PolarityHorizontal, ColumnFrequencyMHz, ColumnSymbolRateMSymbol, Lock, Unlock, AddDataPidTitle,
    EditDataPidTitle, HexadecimalTip, DecimalTip, PermanentAddress, StationAddress, Radio, InvalidDataPid, NoTcpIp,
    DataPidLimit, ConfirmDeleteDataPid, IpAddressDisabled, ConfirmSaveSatellite, FrequencyRange, TryAgain,
    NotLockedCaption, DataCaption, ColumnName, ColumnTvRadio, ColumnScrambled, TipSetNetworkPid,
    TipReleaseNetworkPid, TipAddDataPid, TipEditDataPid, TipDeleteDataPid, SatelliteListFull, TrayTip};

}  // namespace cv7::app::StringId
