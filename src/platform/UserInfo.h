#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace scanbrook::platform {

/// The account name of the effective user; nullopt when the system knows none.
std::optional<std::string> effectiveUserName();

/// The name of the environment variable that, in a program that honours the test environment
/// (TestSeam.h), stands in for the effective user ID: the suite runs as root here, and tests
/// must be able to be an ordinary user, and root, on purpose.
inline constexpr const char* kUserIdVariable = "SCANBROOK_USER_ID";

/// The effective user's ID (see kUserIdVariable).
unsigned effectiveUserId();

/// The effective user's home folder as a path of the Mac (hand it to platformPath()): HOME when
/// it is absolute, else the account's entry; "/" when neither says.
std::string homeDirectory();

/// Where Scanbrook keeps a file of its own named `fileName`: for the superuser, the machine's
/// "/Library/Application Support/Scanbrook/"; otherwise the account's own, on a Mac
/// "~/Library/Application Support/Scanbrook/", elsewhere "$XDG_DATA_HOME/scanbrook/" (by default
/// "~/.local/share/scanbrook/"). Under a simulated platform root every one of them lies under
/// the root, the home-derived ones included, so that a test never reaches the real account.
std::string applicationDataPath(std::string_view fileName);

/// The rule behind applicationDataPath(), without the system: `home` and `xdgDataHome` are the
/// environment's values (empty when unset), `root` the platform root (empty when none).
std::string applicationDataPathFor(std::string_view fileName, bool superUser, bool mac,
                                   std::string_view home, std::string_view xdgDataHome,
                                   std::string_view root);

} // namespace scanbrook::platform
