#pragma once

#include <QString>

/// The names under which the application and its settings are known to the system.
namespace scanbrook::platform {

/// Names the settings folder on Linux (~/.config/Scanbrook/Scanbrook.conf).
inline QString organizationName() {
    return QStringLiteral("Scanbrook");
}

/// On macOS the settings domain is this reversed, followed by the application name. Qt keeps
/// a domain as written only when it ends in a two-letter or common top-level domain, so it must
/// agree with the bundle identifier in Info.plist.
inline QString organizationDomain() {
    return QStringLiteral("scanbrook.org");
}

inline QString applicationName() {
    return QStringLiteral("Scanbrook");
}

} // namespace scanbrook::platform
