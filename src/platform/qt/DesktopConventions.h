#pragma once

#include <QString>

/// Where the Mac and the other desktops differ in conventions that Qt leaves to the application.
/// The one place in the Qt code that asks which system it is built for.
namespace scanbrook::platform {

/// The system's colour emoji font, in which the warning marker is drawn: a fixed-pitch font
/// may have a black-and-white glyph of its own for it.
inline QString colourEmojiFamily() {
#if defined(__APPLE__)
    return QStringLiteral("Apple Color Emoji");
#else
    return QStringLiteral("Noto Color Emoji");
#endif
}

} // namespace scanbrook::platform
