#pragma once

#include <optional>
#include <string>

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

} // namespace scanbrook::platform
