#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace scanbrook::platform {

/// The account name of the effective user; nullopt when the system knows none.
std::optional<std::string> effectiveUserName();

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
