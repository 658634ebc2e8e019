// Device platform codes: stored in profiles ("Platform"), as setting 1033, and held as the
// process-wide current platform code.
#pragma once

#include <cstdint>

namespace mirrodex {

enum PlatformCode : uint16_t {
  kPlatformSymbianUiq = 1,
  kPlatformOtherWinCe = 2,
  kPlatformPocketPc2002 = 3,
  kPlatformSmartphone2002 = 4,
  kPlatformPocketPc2003 = 5,
  kPlatformSmartphone2003 = 6,
  kPlatformWindowsMobile5 = 7,
  kPlatformWindowsMobilePhone5 = 8,
  kPlatformWindowsCe5 = 9,
};

inline constexpr uint16_t kFirstPlatformCode = kPlatformSymbianUiq;
inline constexpr uint16_t kLastPlatformCode = kPlatformWindowsCe5;

// The name shown for a platform code, or nullptr for a code outside 1..9.
constexpr const char* PlatformName(uint16_t code) {
  switch (code) {
    case kPlatformSymbianUiq:
      return "Symbian UIQ";
    case kPlatformOtherWinCe:
      return "All Other (PPC/WinCE/HPC)";
    case kPlatformPocketPc2002:
      return "Pocket PC 2002";
    case kPlatformSmartphone2002:
      return "Smartphone 2002";
    case kPlatformPocketPc2003:
      return "Pocket PC 2003";
    case kPlatformSmartphone2003:
      return "Smartphone 2003";
    case kPlatformWindowsMobile5:
      return "Windows Mobile 5.0";
    case kPlatformWindowsMobilePhone5:
      return "Windows Mobile Phone Ed 5.0";
    case kPlatformWindowsCe5:
      return "Windows CE 5.0";
    default:
      return nullptr;
  }
}

}  // namespace mirrodex
