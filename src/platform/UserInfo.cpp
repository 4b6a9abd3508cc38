#include "platform/UserInfo.h"

#include "platform/TestSeam.h"

#include <cerrno>
#include <cstdlib>
#include <optional>

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace scanbrook::platform {

namespace {

/// The effective user's account entry, passed to `use` while it is valid.
template <typename Use>
auto withAccount(Use use) -> decltype(use(static_cast<const passwd*>(nullptr))) {
    long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384U);
    passwd entry{};
    passwd* found = nullptr;
    while (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE) {
        buffer.resize(buffer.size() * 2);
    }
    return use(found);
}

} // namespace

unsigned effectiveUserId() {
    if (honoursTestEnvironment()) {
        const char* value = std::getenv(kUserIdVariable);
        if (value != nullptr && *value >= '0' && *value <= '9') {
            return static_cast<unsigned>(std::strtoul(value, nullptr, 10));
        }
    }
    return static_cast<unsigned>(::geteuid());
}

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
        return home;
    }
    return withAccount([](const passwd* found) {
        return found != nullptr && found->pw_dir != nullptr && *found->pw_dir == '/'
                   ? std::string(found->pw_dir)
                   : std::string("/");
    });
}

std::optional<std::string> effectiveUserName() {
    return withAccount([](const passwd* found) -> std::optional<std::string> {
        if (found == nullptr || found->pw_name == nullptr) {
            return std::nullopt;
        }
        return std::string(found->pw_name);
    });
}

} // namespace scanbrook::platform
