// The ten values of one connection profile (section "Profiles/<name>"), with their defaults.
#pragma once

#include <QString>

namespace mirrodex {

// Value names inside a profile's section.
namespace profile_value {
inline constexpr const char* kTimeOut = "TimeOut";
inline constexpr const char* kCompressionType = "CompressionType";
inline constexpr const char* kRefreshRate = "RefreshRate";
inline constexpr const char* kConnection = "Connection";
inline constexpr const char* kPriority = "Priority";
inline constexpr const char* kPlatform = "Platform";
inline constexpr const char* kInterlace = "Interlace";
inline constexpr const char* kDeviceSpeed = "DeviceSpeed";
inline constexpr const char* kConnType = "ConnType";
inline constexpr const char* kHostIp = "HostIP";
}  // namespace profile_value

// "ConnType" values.
inline constexpr int kConnTypeActiveSync = 0;
inline constexpr int kConnTypeTcpIp = 1;

// The section that holds every profile, and the name the first profile gets.
inline constexpr const char* kProfilesSection = "Profiles";
inline constexpr const char* kDefaultProfileName = "<Default>";

struct ConnectionProfile {
  int timeOutSeconds = 6;   // offered 1..10, 15, 20
  int compressionType = 0;  // screen coding method 0..3
  int refreshRate = 50;     // ms: 500 low, 250 medium, 50 fast, 0 max
  int connection = 1;       // 0 fast (bzip2), 1 slow (zlib)
  int priority = 1;         // 0..3, Symbian devices only
  int platform = 0;         // platform code; reading fills in the caller's current code
  bool interlace = true;    // remove interlacing
  int deviceSpeed = 9;      // compression level: 9 fast, 5 medium, 1 slow
  int connType = kConnTypeActiveSync;
  QString hostIp;  // dotted address, used with TCP/IP

  bool operator==(const ConnectionProfile&) const = default;
};

}  // namespace mirrodex
