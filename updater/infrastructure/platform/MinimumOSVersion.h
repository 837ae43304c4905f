#pragma once

#include <QtGlobal>

// The oldest system the updater runs on, per platform it is built for. The
// version must have at least a major and a minor number so that the OS
// version test can compare it.
namespace platform {
#if defined(Q_OS_MACOS)
constexpr const char* kMinimumOSVersion = "10.8";
constexpr const char* kMinimumOSVersionText = "OS X 10.8 'Mountain Lion'";
#else
// Linux reports VERSION_ID of /etc/os-release, padded to major.minor.
constexpr const char* kMinimumOSVersion = "12.0";
constexpr const char* kMinimumOSVersionText = "Debian GNU/Linux 12 'bookworm'";
#endif
} // namespace platform
