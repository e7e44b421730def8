// The names and numbers the launcher uses to find and start the runtime host.
#pragma once

#include <cstdint>

namespace tockly::launcher {

// Every name the launcher builds lives in one buffer of this size, the classic Windows path limit.
inline constexpr std::uint32_t kPathCapacity = 260;
// The install path read from the registry may fill the buffer only up to this many bytes, its
// terminating zero included; a longer value is a failed read.
inline constexpr std::uint32_t kRegistryValueCapacity = 259;

inline constexpr char kBesideExeFile[] = "corlb.xrt";
inline constexpr char kInstallDirFile[] = "corlb.xdv";
inline constexpr char kInstallKey[] = "Software\\Quorva\\Z\\Install";
inline constexpr char kInstallValue[] = "Path";
inline constexpr char kHostExport[] = "GetNewSock";
inline constexpr char kErrorText[] = "Not found the kernel library or the kernel library is invalid!";
inline constexpr char kErrorCaption[] = "Error";

inline constexpr std::uintptr_t kHkeyCurrentUser = 0x80000001u;
inline constexpr std::uint32_t kKeyRead = 0x20019u;
inline constexpr std::uint32_t kMbOkIconError = 0x10u;  // MB_OK | MB_ICONERROR
inline constexpr std::int32_t kHostRequest = 1000;      // the one argument GetNewSock is given

inline constexpr std::uint32_t kExitHandedOver = 0;
inline constexpr std::uint32_t kExitNoHost = 0xFFFFFFFFu;  // -1

}  // namespace tockly::launcher
