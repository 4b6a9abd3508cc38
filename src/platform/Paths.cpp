#include "platform/Paths.h"

#include "platform/TestSeam.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef __APPLE__
#include <mach-o/dyld.h>
#endif

namespace scanbrook::platform {

namespace {

std::string currentDirectory() {
    std::error_code error;
    auto cwd = std::filesystem::current_path(error);
    return error ? std::string() : cwd.string();
}

std::string rootFromEnvironment() {
    if (!honoursTestEnvironment()) {
        return {};
    }
    return normalisePlatformRoot(std::getenv(kPlatformRootVariable), currentDirectory());
}

std::string& rootStorage() {
    static std::string root = rootFromEnvironment();
    return root;
}

} // namespace

std::string normalisePlatformRoot(const char* value, std::string_view cwd) {
    if (value == nullptr || *value == '\0') {
        return {};
    }
    std::string root = value;
    if (root.front() != '/') {
        std::string absolute(cwd);
        if (absolute.empty() || absolute.back() != '/') {
            absolute += '/';
        }
        root = absolute + root;
    }
    while (root.size() > 1 && root.back() == '/') {
        root.pop_back();
    }
    // A root of "/" is the real system.
    if (root == "/") {
        return {};
    }
    return root;
}

const std::string& platformRoot() {
    return rootStorage();
}

bool fileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

std::optional<std::string> ownExecutablePath([[maybe_unused]] const char* argv0) {
#if defined(__APPLE__)
    std::uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::string path(size, '\0');
    if (_NSGetExecutablePath(path.data(), &size) != 0) {
        return std::nullopt;
    }
    path.resize(path.find('\0') == std::string::npos ? path.size() : path.find('\0'));
#elif defined(__linux__) && !defined(SCANBROOK_PORTABLE_POSIX)
    const std::string path = "/proc/self/exe";
#else
    // Plain POSIX names no executable's path: the one it was started by serves when it holds a
    // "/", as it does when a script, launchd or the window starts it by its full path.
    if (argv0 == nullptr || std::string_view(argv0).find('/') == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string path = argv0;
#endif
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
        return std::nullopt;
    }
    return std::string(resolved);
}

void reloadPlatformRoot() {
    rootStorage() = rootFromEnvironment();
}

std::string platformPath(std::string_view macPath) {
    const std::string& root = platformRoot();
    if (root.empty()) {
        return std::string(macPath);
    }
    std::string path;
    path.reserve(root.size() + macPath.size());
    path += root;
    path += macPath;
    return path;
}

} // namespace scanbrook::platform
