// Status values of the platform, with the numeric values the driver reports.
#pragma once
#include <cstdint>

namespace cv7::core {

using Status = uint32_t;

// Network-driver statuses (miniport handlers).
inline constexpr Status NDIS_STATUS_SUCCESS = 0x00000000;
inline constexpr Status NDIS_STATUS_PENDING = 0x00000103;
inline constexpr Status NDIS_STATUS_FAILURE = 0xC0000001;
inline constexpr Status NDIS_STATUS_RESOURCES = 0xC000009A;
inline constexpr Status NDIS_STATUS_NOT_SUPPORTED = 0xC00000BB;
inline constexpr Status NDIS_STATUS_ADAPTER_NOT_FOUND = 0xC0010006;
inline constexpr Status NDIS_STATUS_MULTICAST_FULL = 0xC0010009;
inline constexpr Status NDIS_STATUS_INVALID_LENGTH = 0xC0010014;
inline constexpr Status NDIS_STATUS_BUFFER_TOO_SHORT = 0xC0010016;
inline constexpr Status NDIS_STATUS_INVALID_OID = 0xC0010017;
inline constexpr Status NDIS_STATUS_UNSUPPORTED_MEDIA = 0xC0010019;

// Error-log codes.
inline constexpr uint32_t NDIS_ERROR_CODE_ADAPTER_NOT_FOUND = 0xC000138B;
inline constexpr uint32_t NDIS_ERROR_CODE_INTERRUPT_CONNECT = 0xC000138C;

// Control-request statuses (I/O manager).
inline constexpr Status STATUS_SUCCESS = 0x00000000;
inline constexpr Status STATUS_INVALID_PARAMETER = 0xC000000D;
inline constexpr Status STATUS_BUFFER_TOO_SMALL = 0xC0000023;
inline constexpr Status STATUS_INVALID_HANDLE = 0xC0000008;
inline constexpr Status STATUS_ACCESS_VIOLATION = 0xC0000005;
inline constexpr Status STATUS_NOT_FOUND = 0xC0000225;

inline constexpr bool isSuccess(Status s) { return (s & 0xC0000000u) != 0xC0000000u; }

}  // namespace cv7::core
