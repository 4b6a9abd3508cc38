#pragma once

namespace scanbrook::platform {

/// Whether this program honours the stand-ins that tests set up in its environment: the
/// simulated platform root (kPlatformRootVariable) and, on a Mac, settings in an INI file under
/// XDG_CONFIG_HOME instead of the user's defaults domain.
///
/// Chosen when the program is linked, never by a build option that a release could turn on:
/// TestSeam.cpp, in the scanbrook_platform archive, gives the shipped answer (never on a Mac,
/// always elsewhere, where nothing else could be tested); tests/support/TestSeamForTests.cpp
/// answers yes and is linked into the test programs and their helpers only, never into the
/// application or scanbrook-cli. A definition among a program's own objects keeps the linker
/// from taking the archive's. scripts/check-source.sh holds the shipped programs to this.
bool honoursTestEnvironment();

} // namespace scanbrook::platform
