#pragma once

#include <cstdint>

namespace platform {

// Result of every component service and interface call: zero or positive is success,
// negative is a failure the caller can tell apart by its value.
using Status = std::int32_t;

inline constexpr Status kOk = 0;
inline constexpr Status kFalse = 1;                 // success, but the answer is "no"
inline constexpr Status kFail = -1;
inline constexpr Status kInvalidArg = -2;
inline constexpr Status kPointer = -3;              // a required out-pointer was null
inline constexpr Status kNoInterface = -4;
inline constexpr Status kNoAggregation = -5;
inline constexpr Status kClassNotRegistered = -6;
inline constexpr Status kUnknownName = -7;
inline constexpr Status kMemberNotFound = -8;
inline constexpr Status kOverflow = -9;             // arithmetic overflow or invalid operation
inline constexpr Status kRegistryFailed = -10;      // the registry could not be read or written

constexpr bool succeeded(Status status) { return status >= 0; }

constexpr const char* statusText(Status status)
{
    switch (status) {
    case kOk: return "success";
    case kFalse: return "success (no)";
    case kFail: return "unspecified failure";
    case kInvalidArg: return "invalid argument";
    case kPointer: return "null pointer";
    case kNoInterface: return "interface not supported";
    case kNoAggregation: return "class cannot be aggregated";
    case kClassNotRegistered: return "class not registered";
    case kUnknownName: return "unknown name";
    case kMemberNotFound: return "member not found";
    case kOverflow: return "arithmetic overflow";
    case kRegistryFailed: return "registry not accessible";
    default: return "unknown status";
    }
}

} // namespace platform
