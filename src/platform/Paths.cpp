#include "platform/Paths.h"

#include "platform/TestSeam.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

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
