#pragma once

#include <QString>

// The program's version comes from the build (the project version in CMake), so
// the About box, the title and the package always agree.
namespace vemtra::app {

struct AppVersion {
    int major;
    int minor;
    int revision;
};

inline constexpr AppVersion appVersion{VEMTRA_VERSION_MAJOR, VEMTRA_VERSION_MINOR,
                                       VEMTRA_VERSION_PATCH};

// "1.1.15": each number in plain decimal, joined by dots.
inline QString versionNumbers(const AppVersion &v = appVersion)
{
    return QStringLiteral("%1.%2.%3").arg(v.major).arg(v.minor).arg(v.revision);
}

} // namespace vemtra::app
