/*
 * corvane: the receiver library of the Corvane-7 satellite data receiver.
 *
 * The only way in which applications use the card. Every export is a plain C function
 * returning a 32-bit status; records have fixed little-endian layouts (checked below) and
 * are passed by value or by pointer. All state is process-global: one connection to the
 * cv7 driver, one channel database, one open satellite data file, one open favourite file.
 *
 * The control device is the Unix socket /run/cv7/Cv7Dev, or the path in CV7_DEVICE.
 */
#ifndef CORVANE_H
#define CORVANE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Results shared by the exports ---- */
#define CVN_OK 1
#define CVN_LOCK_ERROR 2
#define CVN_ERROR 3
#define FILE_OPEN_ERROR 0
#define FILE_IS_USING 1
#define FILE_OPEN_OK 2

/* Data-path results */
#define CVN_DATAPATH_OK 1
#define CVN_DATAPATH_INVALID 2
#define CVN_DATAPATH_ERROR 3
#define CVN_DATAPATH_BUSY 4
#define CVN_DATAPATH_NOT_INITIALISED 5
#define CVN_DATAPATH_IN_USE 6
#define CVN_DATAPATH_PID_REFUSED 7

/* ---- Channel records ---- */

/* One satellite and its LNB (48 bytes). */
typedef struct LnbInfo {
  char SatelliteName[30];   /* NUL-terminated */
  uint8_t Padding1[2];
  uint32_t LocalOscillator; /* kHz; 0 = Universal LNB */
  uint32_t Tone22k;         /* 0 = 22 kHz on, 1 = off */
  uint32_t LnbPower;        /* 0 = on, 1 = off */
  uint8_t ToneBurst;
  uint8_t DiSEqC;
  uint8_t Padding2[2];
} LnbInfo;

/* One transponder (20 bytes). */
typedef struct TrInfo {
  uint32_t TransponderNumber; /* 1-based place in frequency order */
  uint32_t Frequency;         /* down-link frequency, kHz */
  uint32_t SymbolRate;
  uint32_t Polarity;          /* 0 or non-zero */
  uint16_t TransportID;
  uint8_t Padding[2];
} TrInfo;

/* One TV or radio program (64 bytes). */
typedef struct ProgramInfo {
  uint32_t ChNumber;        /* TransponderNumber * 100 + place */
  uint16_t VideoPID;        /* 0 for radio */
  uint16_t AudioPIDCount;   /* 0..6 */
  uint16_t AudioPID[6];
  uint16_t PcrPID;
  uint16_t TTxtPID;
  uint16_t pgnumber;
  uint16_t PmtPID;
  uint16_t Scrambled;
  uint16_t TVorRadio;       /* 1 = TV, 0 = radio */
  char ProgramName[32];     /* NUL-terminated, at most 31 characters */
} ProgramInfo;

/* One data service (20 bytes). */
typedef struct DataInfo {
  uint32_t DataNumber;      /* TransponderNumber * 100 + place */
  uint16_t pgnumber;
  uint16_t PmtPID;
  uint16_t DataPID;
  uint16_t Encapsulation;   /* 1 Data Piping, 2 Data Streaming, 3 MPE, 5 Data Streaming PES */
  uint32_t SetFlag;         /* 1 = selected for reception */
  uint32_t Reserved;        /* stored and returned unchanged */
} DataInfo;

/* A favourite program with its satellite and transponder (132 bytes). */
typedef struct FavoriteInfo {
  LnbInfo Lnb;
  TrInfo Tr;
  ProgramInfo Program;
} FavoriteInfo;

/* A search result (6796 bytes), valid only while its message is handled. */
typedef struct SiList {
  LnbInfo Lnb;
  TrInfo Tr;
  uint32_t ProgramCount;    /* 0..80 */
  ProgramInfo Program[80];
  uint32_t DataCount;       /* 0..80 */
  DataInfo Data[80];
} SiList;

/* A network PID request (10 bytes). */
typedef struct NetPid {
  uint16_t DataPID;
  uint16_t Encapsulation;
  uint16_t TransportID;
  uint16_t pgnumber;
  uint16_t PmtPID;
} NetPid;

typedef struct CvnIpAddress {
  uint8_t Octet[4];         /* first octet first */
} CvnIpAddress;

typedef struct CvnChannelRequest {
  uint16_t Word[6];
} CvnChannelRequest;

typedef struct CvnAudioControl {
  uint32_t Word[3];
} CvnAudioControl;

/* Status lists of client mode 3, sent with the status message. */
typedef struct CvnStatusRecord {
  uint8_t CountA;
  uint32_t ListA[16];
  uint8_t CountB;
  uint32_t ListB[16];
} CvnStatusRecord;

/* Raw data delivery: called on the data thread for each piece of a unit. */
typedef void (*CvnDataCallback)(uint32_t more, NetPid pid, uint32_t unitLength, uint32_t pieceLength,
                                int32_t remaining);

typedef struct CvnDataPathRegistration {
  NetPid Pid;               /* DataPID, and the record kind (10, 11, 12) in Encapsulation */
  uint16_t Padding;
  void* Buffer;
  uint32_t BufferSize;
  CvnDataCallback Callback;
} CvnDataPathRegistration;

/*
 * The application's window. The library calls send from its own threads and expects it
 * to run the message synchronously on the application's window thread and return its
 * result.
 */
typedef struct CvnWindow CvnWindow;
struct CvnWindow {
  intptr_t (*send)(CvnWindow* self, uint32_t message, uintptr_t wParam, intptr_t lParam);
};

/* ---- Connection and system lifecycle ---- */
int32_t Cvn_OpenSystem(uint8_t clientMode, CvnWindow* window, uint32_t eventMessage, uint32_t searchMessage,
                       uint32_t statusMessage);
int32_t Cvn_CloseSystem(void);
int32_t Cvn_StartSystem(void);
int32_t Cvn_StopSystem(void);
int32_t Cvn_GetVideoMode(uint8_t* mode);
int32_t Cvn_GetFirmwareVersion(uint8_t version[2]);
int32_t Cvn_GetDriverVersion(uint8_t version[2]);

/* ---- Tuning and lock test ---- */
int32_t Cvn_TunerLockTest(LnbInfo lnb, TrInfo tr);
int32_t Cvn_SetChannel(CvnChannelRequest request);
int32_t Cvn_StopChannel(CvnChannelRequest request);
int32_t Cvn_SetAudioChannel(uint16_t audioPid);
int32_t Cvn_GetTunerInformation(uint8_t info[8]);
int32_t Cvn_SetAudioControl(CvnAudioControl control);

/* ---- Channel search ----
 * Cvn_SearchChannel(0) waits for the end of the search on the caller's thread and sends the
 * search message to the window on that same thread before it returns. */
int32_t Cvn_SearchChannel(uint32_t asynchronous);
int32_t Cvn_SearchCancel(void);

/* ---- Satellite data file ---- */
int32_t Cvn_ChannelFileOpen(const char* path);
int32_t Cvn_ChannelFileCreate(const char* path);
int32_t Cvn_ChannelFileClose(void);
int32_t Cvn_ChannelFileRead(void);
int32_t Cvn_ChannelFileWrite(void);

/* ---- Favourite file ---- */
int32_t Cvn_FavoriteFileOpen(const char* path);
int32_t Cvn_FavoriteFileCreate(const char* path);
int32_t Cvn_FavoriteFileClose(void);
int32_t Cvn_FavoriteWriteFile(void);
int32_t Cvn_FavoriteReadFile(void);

/* ---- Channel database ---- */
int32_t Cvn_GetSatelliteInformation(LnbInfo* lnb);
int32_t Cvn_SetNewLNBInformation(LnbInfo lnb);
int32_t Cvn_AddTransponder(TrInfo* tr);
int32_t Cvn_UpdateTransponder(TrInfo tr);
int32_t Cvn_DeleteTransponder(uint32_t transponderNumber);
int32_t Cvn_GetInfoTransponder(uint32_t transponderNumber, TrInfo* tr);
int32_t Cvn_GetNumOfTransponder(void);
int32_t Cvn_GetNumOfProgram(uint32_t transponderNumber);
int32_t Cvn_GetNumOfData(uint32_t transponderNumber);
int32_t Cvn_GetInfoProgram(ProgramInfo* program);
int32_t Cvn_GetInfoData(DataInfo* data);
int32_t Cvn_AddProgram(uint32_t transponderNumber, ProgramInfo* program);
int32_t Cvn_AddData(uint32_t transponderNumber, DataInfo* data);
int32_t Cvn_DeleteProgram(uint32_t chNumber);
int32_t Cvn_DeleteData(uint32_t dataNumber);
int32_t Cvn_UpdateProgram(ProgramInfo program);
int32_t Cvn_UpdateData(DataInfo data);
int32_t Cvn_FreeTransponderStructure(void);

/* ---- Favourites ---- */
int32_t Cvn_DeleteFavorite(FavoriteInfo favorite);
int32_t Cvn_AddFavorite(FavoriteInfo* favorite);
int32_t Cvn_GetNextFavorite(FavoriteInfo current, FavoriteInfo* next);
int32_t Cvn_GetPrevFavorite(FavoriteInfo current, FavoriteInfo* previous);
int32_t Cvn_GetFirstProgramInFavorite(FavoriteInfo* first);
int32_t Cvn_GetNumOfFavorite(void);
int32_t Cvn_GetFavoriteInfo(uint32_t index, FavoriteInfo* favorite);
int32_t Cvn_UpdateFavorite(uint32_t index, FavoriteInfo favorite);

/* ---- Network data configuration ---- */
int32_t Cvn_SetNetworkPID(NetPid pid);
int32_t Cvn_ReleaseNetworkPID(NetPid pid);
int32_t Cvn_ReleaseAllNetworkPID(void);
int32_t Cvn_SetIPAddress(CvnIpAddress address);
int32_t Cvn_GetMacAddress(uint8_t mac[6]);
int32_t Cvn_SetIPorMACfiltering(const uint8_t* mode);

/* ---- Data path ---- */
int32_t Cvn_InitDataPath(void);
int32_t Cvn_TermDataPath(void);
int32_t Cvn_RegisterDataPath(CvnDataPathRegistration registration);
int32_t Cvn_UnRegisterDataPath(NetPid pid);

/* The export of an ordinal (1..61) for clients that bind by number; NULL outside the table. */
void* Cvn_ExportByOrdinal(uint32_t ordinal);

#ifdef __cplusplus
}
#endif

/* ---- Layout checks ---- */
#ifdef __cplusplus
#define CVN_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#define CVN_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif
CVN_STATIC_ASSERT(sizeof(LnbInfo) == 48, "LnbInfo is 48 bytes");
CVN_STATIC_ASSERT(offsetof(LnbInfo, LocalOscillator) == 32, "LnbInfo.LocalOscillator at 32");
CVN_STATIC_ASSERT(offsetof(LnbInfo, Tone22k) == 36, "LnbInfo.Tone22k at 36");
CVN_STATIC_ASSERT(offsetof(LnbInfo, LnbPower) == 40, "LnbInfo.LnbPower at 40");
CVN_STATIC_ASSERT(offsetof(LnbInfo, ToneBurst) == 44, "LnbInfo.ToneBurst at 44");
CVN_STATIC_ASSERT(offsetof(LnbInfo, DiSEqC) == 45, "LnbInfo.DiSEqC at 45");
CVN_STATIC_ASSERT(sizeof(TrInfo) == 20, "TrInfo is 20 bytes");
CVN_STATIC_ASSERT(offsetof(TrInfo, Frequency) == 4, "TrInfo.Frequency at 4");
CVN_STATIC_ASSERT(offsetof(TrInfo, SymbolRate) == 8, "TrInfo.SymbolRate at 8");
CVN_STATIC_ASSERT(offsetof(TrInfo, Polarity) == 12, "TrInfo.Polarity at 12");
CVN_STATIC_ASSERT(offsetof(TrInfo, TransportID) == 16, "TrInfo.TransportID at 16");
CVN_STATIC_ASSERT(sizeof(ProgramInfo) == 64, "ProgramInfo is 64 bytes");
CVN_STATIC_ASSERT(offsetof(ProgramInfo, VideoPID) == 4, "ProgramInfo.VideoPID at 4");
CVN_STATIC_ASSERT(offsetof(ProgramInfo, AudioPIDCount) == 6, "ProgramInfo.AudioPIDCount at 6");
CVN_STATIC_ASSERT(offsetof(ProgramInfo, AudioPID) == 8, "ProgramInfo.AudioPID at 8");
CVN_STATIC_ASSERT(offsetof(ProgramInfo, PcrPID) == 20, "ProgramInfo.PcrPID at 20");
CVN_STATIC_ASSERT(offsetof(ProgramInfo, TTxtPID) == 22, "ProgramInfo.TTxtPID at 22");
CVN_STATIC_ASSERT(offsetof(ProgramInfo, pgnumber) == 24, "ProgramInfo.pgnumber at 24");
CVN_STATIC_ASSERT(offsetof(ProgramInfo, PmtPID) == 26, "ProgramInfo.PmtPID at 26");
CVN_STATIC_ASSERT(offsetof(ProgramInfo, Scrambled) == 28, "ProgramInfo.Scrambled at 28");
CVN_STATIC_ASSERT(offsetof(ProgramInfo, TVorRadio) == 30, "ProgramInfo.TVorRadio at 30");
CVN_STATIC_ASSERT(offsetof(ProgramInfo, ProgramName) == 32, "ProgramInfo.ProgramName at 32");
CVN_STATIC_ASSERT(sizeof(DataInfo) == 20, "DataInfo is 20 bytes");
CVN_STATIC_ASSERT(offsetof(DataInfo, pgnumber) == 4, "DataInfo.pgnumber at 4");
CVN_STATIC_ASSERT(offsetof(DataInfo, PmtPID) == 6, "DataInfo.PmtPID at 6");
CVN_STATIC_ASSERT(offsetof(DataInfo, DataPID) == 8, "DataInfo.DataPID at 8");
CVN_STATIC_ASSERT(offsetof(DataInfo, Encapsulation) == 10, "DataInfo.Encapsulation at 10");
CVN_STATIC_ASSERT(offsetof(DataInfo, SetFlag) == 12, "DataInfo.SetFlag at 12");
CVN_STATIC_ASSERT(offsetof(DataInfo, Reserved) == 16, "DataInfo.Reserved at 16");
CVN_STATIC_ASSERT(sizeof(FavoriteInfo) == 132, "FavoriteInfo is 132 bytes");
CVN_STATIC_ASSERT(offsetof(FavoriteInfo, Tr) == 48, "FavoriteInfo.Tr at 48");
CVN_STATIC_ASSERT(offsetof(FavoriteInfo, Program) == 68, "FavoriteInfo.Program at 68");
CVN_STATIC_ASSERT(sizeof(SiList) == 6796, "SiList is 6796 bytes");
CVN_STATIC_ASSERT(offsetof(SiList, Tr) == 48, "SiList.Tr at 48");
CVN_STATIC_ASSERT(offsetof(SiList, ProgramCount) == 68, "SiList.ProgramCount at 68");
CVN_STATIC_ASSERT(offsetof(SiList, Program) == 72, "SiList.Program at 72");
CVN_STATIC_ASSERT(offsetof(SiList, DataCount) == 5192, "SiList.DataCount at 5192");
CVN_STATIC_ASSERT(offsetof(SiList, Data) == 5196, "SiList.Data at 5196");
CVN_STATIC_ASSERT(sizeof(NetPid) == 10, "NetPid is 10 bytes");
CVN_STATIC_ASSERT(offsetof(NetPid, Encapsulation) == 2, "NetPid.Encapsulation at 2");
CVN_STATIC_ASSERT(offsetof(NetPid, TransportID) == 4, "NetPid.TransportID at 4");
CVN_STATIC_ASSERT(offsetof(NetPid, pgnumber) == 6, "NetPid.pgnumber at 6");
CVN_STATIC_ASSERT(offsetof(NetPid, PmtPID) == 8, "NetPid.PmtPID at 8");
CVN_STATIC_ASSERT(sizeof(CvnIpAddress) == 4, "CvnIpAddress is 4 bytes");
CVN_STATIC_ASSERT(sizeof(CvnChannelRequest) == 12, "CvnChannelRequest is 12 bytes");
CVN_STATIC_ASSERT(sizeof(CvnAudioControl) == 12, "CvnAudioControl is 12 bytes");
CVN_STATIC_ASSERT(offsetof(CvnDataPathRegistration, Padding) == 10, "registration padding at 10");
CVN_STATIC_ASSERT(offsetof(CvnDataPathRegistration, Buffer) == (sizeof(void*) == 8 ? 16 : 12),
                  "registration buffer after the NetPid");
#undef CVN_STATIC_ASSERT

#endif /* CORVANE_H */
