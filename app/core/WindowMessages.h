// Numbers of the messages and commands of the application's main frame.
#pragma once
#include <cstdint>

namespace cv7::app::WindowMessage {

inline constexpr uint32_t kUser = 0x400;
// The library delivers search results with this message (given to Cvn_OpenSystem).
inline constexpr uint32_t kSearchResult = kUser + 11;  // 1035
// Menu commands of the notification icon's menu 130.
inline constexpr int kCommandSetup = 32771;  // "Corvane-7 Data Setup"
inline constexpr int kCommandExit = 57665;   // "Exit"

}  // namespace cv7::app::WindowMessage
