/*
 * corvane: the receiver library of the Corvane-7 satellite data receiver.
 *
 * The only way in which applications use the card. Every export is a plain C function
 * returning a 32-bit status; records have fixed little-endian layouts (checked below) and
 * are passed by value or by pointer. All state is process-global: one connection to the
 * cv7 driver, one channel database, one open satellite data file, one open favourite file.
 *
 * The control device is the Unix socket /run/cv7/Cv7Dev, or the path in CV7_DEVICE.
 *
 * Threads. The library runs its own threads while the system is open: the event thread
 * (card events), the search thread (asynchronous searches), in client mode 3 the status
 * thread (status lists), and after Cvn_InitDataPath the data thread (data callbacks).
 * Messages are sent with the window's send on the event, search and status threads (and,
 * for Cvn_SearchChannel(0), on the caller's thread); data callbacks run on the data thread.
 * Unless an export says otherwise it may be called from any thread, including from inside
 * a message handler or a data callback; calls on several threads at once are allowed, but
 * the channel database, the open satellite data file and the favourite list have no lock:
 * one thread at a time changes them, and not while a search runs (the search reads them).
 * Every wait of the library ends: requests to the driver fail when the driver has gone
 * away or has not answered within 15 s, and the library's own waits end with a cancel or
 * with Cvn_CloseSystem.
 *
 * Cvn_CloseSystem, and what it does to messages and callbacks in flight:
 *  - It first ends the data path (as far as it is initialised), then stops the library's
 *    threads, then frees what they read. Once it has returned, no message is sent and no
 *    data callback is called any more, and every library thread has ended, except one
 *    still inside the application's send or data callback (below), which ends as soon as
 *    that returns, without sending or calling anything more.
 *  - A message that a library thread is delivering when close begins is waited for, at
 *    most CVN_CLOSE_MESSAGE_WAIT_MS. A message whose send has not returned by then is
 *    abandoned: close returns without it. This is what happens when send is a blocking
 *    call queued to a window thread and close is called on that window thread: the
 *    message cannot be handled before close returns. The message's lParam stays valid
 *    until its send returns. An
 *    application whose send waits for its window thread avoids the wait by letting a
 *    waiting send return 0 (and new sends return 0 at once) before it calls
 *    Cvn_CloseSystem on that thread, and should drop or ignore messages that reach its
 *    handler after its close returned.
 *  - Called from inside a message handler it works and returns 1. A handler that runs on
 *    the library thread itself (a send that calls the handler directly) does not wait for
 *    its own message: that thread ends when the handler returns. A handler that runs on
 *    the window thread while a library thread waits in send makes close wait as above
 *    and then abandon that message.
 *  - A data callback in progress is always waited for, except when close (or
 *    Cvn_TermDataPath) is called from that callback: the data thread then ends when the
 *    callback returns. A data callback must therefore not wait for the thread that closes
 *    the system or terminates the data path.
 *  - If the driver has gone away (the daemon stopped or was restarted), close still cleans
 *    up and returns 1, so that a later Cvn_OpenSystem reaches a restarted driver.
 * A process that exits with the system open (returning from main without Cvn_CloseSystem,
 * or exit() anywhere) ends cleanly: at exit the library ends the data path and its threads
 * as close does, without waiting for messages in flight, and the driver forgets the
 * process's registrations when its connection closes.
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

/* The longest Cvn_CloseSystem waits for a message in flight (see above). */
#define CVN_CLOSE_MESSAGE_WAIT_MS 1000

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
 * The application's window. The library calls send from its own threads (and from the
 * caller's thread in Cvn_SearchChannel(0)) and expects it to run the message
 * synchronously, on the application's window thread or on the calling thread, and return
 * its result. Pointers given as lParam (SiList, CvnStatusRecord) are valid until send
 * returns. The window must stay valid until Cvn_CloseSystem has returned and every send
 * in progress has returned.
 */
typedef struct CvnWindow CvnWindow;
struct CvnWindow {
  intptr_t (*send)(CvnWindow* self, uint32_t message, uintptr_t wParam, intptr_t lParam);
};

/* ---- Connection and system lifecycle ---- */
/* Any thread. Open and close never overlap: one waits for the other to finish. */
int32_t Cvn_OpenSystem(uint8_t clientMode, CvnWindow* window, uint32_t eventMessage, uint32_t searchMessage,
                       uint32_t statusMessage);
/* Any thread, also inside a message handler or a data callback (see "Cvn_CloseSystem"
 * above). 0 only when the driver refuses to forget the client: the threads have ended,
 * the device stays open and a later close tries again. */
int32_t Cvn_CloseSystem(void);
/* Any thread; they do nothing. */
int32_t Cvn_StartSystem(void);
int32_t Cvn_StopSystem(void);
/* Any thread, also inside handlers and callbacks. */
int32_t Cvn_GetVideoMode(uint8_t* mode);
int32_t Cvn_GetFirmwareVersion(uint8_t version[2]);
int32_t Cvn_GetDriverVersion(uint8_t version[2]);

/* ---- Tuning and lock test ----
 * Any thread, also inside handlers. Cvn_TunerLockTest polls the tuner on the caller's
 * thread for up to about 5 s; it ends at once with CVN_ERROR or CVN_LOCK_ERROR when the
 * driver goes away. The search reads the last lock test's records (under a lock). */
int32_t Cvn_TunerLockTest(LnbInfo lnb, TrInfo tr);
int32_t Cvn_SetChannel(CvnChannelRequest request);
int32_t Cvn_StopChannel(CvnChannelRequest request);
int32_t Cvn_SetAudioChannel(uint16_t audioPid);
int32_t Cvn_GetTunerInformation(uint8_t info[8]);
int32_t Cvn_SetAudioControl(CvnAudioControl control);

/* ---- Channel search ----
 * Any thread. Cvn_SearchChannel(1) returns at once; the search thread sends the result.
 * Cvn_SearchChannel(0) waits for the end of the search on the caller's thread and sends the
 * search message to the window on that same thread before it returns; it returns 0 without
 * a message when the search is cancelled (Cvn_SearchCancel on another thread), when a newer
 * search starts, when the system closes, or when the driver goes away. (With a window whose
 * send waits for the window thread, do not call it on that thread: its message could not
 * be handled.) Every start and every cancel supersedes the search before it, so each
 * started search delivers its own result at most once. Cvn_SearchCancel may be called from
 * any thread, also inside handlers. */
int32_t Cvn_SearchChannel(uint32_t asynchronous);
int32_t Cvn_SearchCancel(void);

/* ---- Satellite data file ----
 * Any thread, one at a time (the open file has no lock). The owner stamp at offset 6 is
 * the client mode of the process holding the file open (0 without a connection). A
 * process holds a shared lock on the file while it has it open (an open file description
 * lock, which the system drops when the process ends), so a non-zero stamp of another mode
 * that no running process holds open is recognised as stale: its holder ended without
 * Cvn_ChannelFileClose (killed, crashed). Cvn_ChannelFileOpen takes such a file over as if
 * its stamp were 0 instead of answering FILE_IS_USING. The file's format is unchanged. */
int32_t Cvn_ChannelFileOpen(const char* path);
int32_t Cvn_ChannelFileCreate(const char* path);
int32_t Cvn_ChannelFileClose(void);
int32_t Cvn_ChannelFileRead(void);
int32_t Cvn_ChannelFileWrite(void);

/* ---- Favourite file (any thread, one at a time) ---- */
int32_t Cvn_FavoriteFileOpen(const char* path);
int32_t Cvn_FavoriteFileCreate(const char* path);
int32_t Cvn_FavoriteFileClose(void);
int32_t Cvn_FavoriteWriteFile(void);
int32_t Cvn_FavoriteReadFile(void);

/* ---- Channel database ----
 * Any thread, one at a time, also inside handlers (a search handler may store its result).
 * The database has no lock: it must not be changed while a search runs, since the search
 * thread reads it to find the searched transponder. Cvn_CloseSystem frees it (client modes
 * 1 and 3) only after the library's threads have stopped. */
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

/* ---- Favourites (as the channel database) ---- */
int32_t Cvn_DeleteFavorite(FavoriteInfo favorite);
int32_t Cvn_AddFavorite(FavoriteInfo* favorite);
int32_t Cvn_GetNextFavorite(FavoriteInfo current, FavoriteInfo* next);
int32_t Cvn_GetPrevFavorite(FavoriteInfo current, FavoriteInfo* previous);
int32_t Cvn_GetFirstProgramInFavorite(FavoriteInfo* first);
int32_t Cvn_GetNumOfFavorite(void);
int32_t Cvn_GetFavoriteInfo(uint32_t index, FavoriteInfo* favorite);
int32_t Cvn_UpdateFavorite(uint32_t index, FavoriteInfo favorite);

/* ---- Network data configuration ----
 * Any thread, also inside handlers and data callbacks. Setting and releasing a PID is the
 * driver's check, then the card's command: when the card refuses the command, the driver's
 * table is put back as it was and the export returns 0, so a retry sends the command again. */
int32_t Cvn_SetNetworkPID(NetPid pid);
int32_t Cvn_ReleaseNetworkPID(NetPid pid);
int32_t Cvn_ReleaseAllNetworkPID(void);
int32_t Cvn_SetIPAddress(CvnIpAddress address);
int32_t Cvn_GetMacAddress(uint8_t mac[6]);
int32_t Cvn_SetIPorMACfiltering(const uint8_t* mode);

/* ---- Data path ----
 * Any thread, also inside a data callback. Registration, unregistration and termination
 * from another thread wait while the data thread delivers the record in progress (its
 * callbacks included), never longer. Cvn_TermDataPath waits for the data thread to end,
 * except when it is called from a data callback: then no callback follows once the calling
 * callback has returned. Cvn_CloseSystem ends an initialised data path, releasing its PIDs.
 * Cvn_RegisterDataPath answers 7 for a PID that is already in the driver's table, decided
 * for this call alone; Cvn_UnRegisterDataPath answers 7 and keeps the registration when the
 * driver or the card refuses the release. */
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
