#include "platform/UserInfo.h"

#include "platform/Paths.h"
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

std::string applicationDataPathFor(std::string_view fileName, bool superUser, bool mac,
                                   std::string_view home, std::string_view xdgDataHome,
                                   std::string_view root) {
    std::string folder;
    if (superUser && (mac || !root.empty())) {
        folder = "/Library/Application Support/Scanbrook";
    } else if (mac) {
        folder = std::string(home) + "/Library/Application Support/Scanbrook";
    } else if (!xdgDataHome.empty() && xdgDataHome.front() == '/') {
        // The XDG base-directory rules ignore a relative XDG_DATA_HOME.
        folder = std::string(xdgDataHome) + "/scanbrook";
    } else {
        folder = std::string(home) + "/.local/share/scanbrook";
    }
    return std::string(root) + folder + "/" + std::string(fileName);
}

std::string applicationDataPath(std::string_view fileName) {
#if defined(__APPLE__)
    constexpr bool kMac = true;
#else
    constexpr bool kMac = false;
#endif
    const char* home = std::getenv("HOME");
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::string homeFolder = home != nullptr ? home : "";
    if (homeFolder.empty()) {
        // Without HOME, the account's own folder from the user database.
        long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
        std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384U);
        passwd entry{};
        passwd* found = nullptr;
        if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
            found != nullptr && found->pw_dir != nullptr) {
            homeFolder = found->pw_dir;
        }
    }
    return applicationDataPathFor(fileName, ::geteuid() == 0, kMac, homeFolder,
                                  dataHome != nullptr ? dataHome : "", platformRoot());
}

} // namespace scanbrook::platform
