// The export table by ordinal, for clients that bind by number.
#include <array>

#include "corvane.h"

namespace {

template <typename F>
void* exportAddress(F* function) {
  return reinterpret_cast<void*>(function);
}

const std::array<void*, 61> kOrdinals = {
    exportAddress(&Cvn_OpenSystem),            // 1
    exportAddress(&Cvn_CloseSystem),           // 2
    exportAddress(&Cvn_StartSystem),           // 3
    exportAddress(&Cvn_StopSystem),            // 4
    exportAddress(&Cvn_TunerLockTest),         // 5
    exportAddress(&Cvn_SetChannel),            // 6
    exportAddress(&Cvn_StopChannel),           // 7
    exportAddress(&Cvn_SetAudioChannel),       // 8
    exportAddress(&Cvn_GetTunerInformation),   // 9
    exportAddress(&Cvn_SetAudioControl),       // 10
    exportAddress(&Cvn_SearchCancel),          // 11
    exportAddress(&Cvn_ChannelFileOpen),       // 12
    exportAddress(&Cvn_ChannelFileCreate),     // 13
    exportAddress(&Cvn_ChannelFileClose),      // 14
    exportAddress(&Cvn_ChannelFileRead),       // 15
    exportAddress(&Cvn_ChannelFileWrite),      // 16
    exportAddress(&Cvn_FavoriteFileOpen),      // 17
    exportAddress(&Cvn_FavoriteFileCreate),    // 18
    exportAddress(&Cvn_FavoriteFileClose),     // 19
    exportAddress(&Cvn_FavoriteWriteFile),     // 20
    exportAddress(&Cvn_FavoriteReadFile),      // 21
    exportAddress(&Cvn_GetSatelliteInformation),  // 22
    exportAddress(&Cvn_SetNewLNBInformation),  // 23
    exportAddress(&Cvn_AddTransponder),        // 24
    exportAddress(&Cvn_UpdateTransponder),     // 25
    exportAddress(&Cvn_DeleteTransponder),     // 26
    exportAddress(&Cvn_GetInfoTransponder),    // 27
    exportAddress(&Cvn_GetNumOfTransponder),   // 28
    exportAddress(&Cvn_GetNumOfProgram),       // 29
    exportAddress(&Cvn_GetNumOfData),          // 30
    exportAddress(&Cvn_GetInfoProgram),        // 31
    exportAddress(&Cvn_GetInfoData),           // 32
    exportAddress(&Cvn_AddProgram),            // 33
    exportAddress(&Cvn_AddData),               // 34
    exportAddress(&Cvn_DeleteProgram),         // 35
    exportAddress(&Cvn_DeleteData),            // 36
    exportAddress(&Cvn_UpdateProgram),         // 37
    exportAddress(&Cvn_UpdateData),            // 38
    exportAddress(&Cvn_DeleteFavorite),        // 39
    exportAddress(&Cvn_AddFavorite),           // 40
    exportAddress(&Cvn_GetNextFavorite),       // 41
    exportAddress(&Cvn_GetPrevFavorite),       // 42
    exportAddress(&Cvn_GetFirstProgramInFavorite),  // 43
    exportAddress(&Cvn_GetNumOfFavorite),      // 44
    exportAddress(&Cvn_GetFavoriteInfo),       // 45
    exportAddress(&Cvn_SetNetworkPID),         // 46
    exportAddress(&Cvn_ReleaseNetworkPID),     // 47
    exportAddress(&Cvn_SetIPAddress),          // 48
    exportAddress(&Cvn_GetMacAddress),         // 49
    exportAddress(&Cvn_SetIPorMACfiltering),   // 50
    exportAddress(&Cvn_GetVideoMode),          // 51
    exportAddress(&Cvn_GetFirmwareVersion),    // 52
    exportAddress(&Cvn_GetDriverVersion),      // 53
    exportAddress(&Cvn_FreeTransponderStructure),  // 54
    exportAddress(&Cvn_ReleaseAllNetworkPID),  // 55
    exportAddress(&Cvn_UpdateFavorite),        // 56
    exportAddress(&Cvn_SearchChannel),         // 57
    exportAddress(&Cvn_InitDataPath),          // 58
    exportAddress(&Cvn_TermDataPath),          // 59
    exportAddress(&Cvn_RegisterDataPath),      // 60
    exportAddress(&Cvn_UnRegisterDataPath),    // 61
};

}  // namespace

extern "C" void* Cvn_ExportByOrdinal(uint32_t ordinal) {
  if (ordinal < 1 || ordinal > kOrdinals.size()) return nullptr;
  return kOrdinals[ordinal - 1];
}
