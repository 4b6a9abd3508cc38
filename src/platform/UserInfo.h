#pragma once

#include <optional>
#include <string>

namespace scanbrook::platform {

/// The account name of the effective user; nullopt when the system knows none.
std::optional<std::string> effectiveUserName();

} // namespace scanbrook::platform
