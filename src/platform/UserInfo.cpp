#include "platform/UserInfo.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace scanbrook::platform {

std::optional<std::string> effectiveUserName() {
    long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384U);
    passwd entry{};
    passwd* found = nullptr;
    while (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE) {
        buffer.resize(buffer.size() * 2);
    }
    if (found == nullptr || found->pw_name == nullptr) {
        return std::nullopt;
    }
    return std::string(found->pw_name);
}

} // namespace scanbrook::platform
