#include "platform/Bundle.h"

#include "platform/BuildInfo.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <system_error>

namespace scanbrook::platform {

namespace {

// An information dictionary is a few kilobytes; anything far larger is not one, and reading it
// whole would only cost memory.
constexpr std::uintmax_t kMaxInfoPlistBytes = 8U * 1024U * 1024U;

} // namespace

std::optional<InfoDictionary> bundleInfoDictionary(const std::string& bundlePath) {
    std::error_code error;
    if (!std::filesystem::is_directory(bundlePath, error)) {
        return std::nullopt;
    }
    const std::filesystem::path infoPath =
        std::filesystem::path(bundlePath) / "Contents" / "Info.plist";
    const auto size = std::filesystem::file_size(infoPath, error);
    if (error || size > kMaxInfoPlistBytes) {
        return std::nullopt;
    }
    std::ifstream file(infoPath, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream contents;
    contents << file.rdbuf();
    if (file.bad()) {
        return std::nullopt;
    }
    // A copy, since ostringstream::view() is missing from the Mac's older C++ libraries; an
    // information dictionary is a few kilobytes.
    return parseDictionary(contents.str());
}

std::optional<TimePoint> bundleModificationTime(const std::string& bundlePath) {
    struct stat status {};
    if (::stat(bundlePath.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return std::nullopt;
    }
#if defined(__APPLE__)
    const timespec& modified = status.st_mtimespec;
#else
    const timespec& modified = status.st_mtim;
#endif
    return TimePoint(std::chrono::duration_cast<TimePoint::duration>(
        std::chrono::seconds(modified.tv_sec) + std::chrono::nanoseconds(modified.tv_nsec)));
}

std::optional<std::string> bundleShortVersion(const std::string& bundlePath) {
    const auto info = bundleInfoDictionary(bundlePath);
    if (!info) {
        return std::nullopt;
    }
    const auto version = info->find("CFBundleShortVersionString");
    return version != info->end() ? std::optional(version->second) : std::nullopt;
}

std::optional<InfoDictionary> mainBundleInfoDictionary() {
    return parseDictionary(build::kInfoPlist);
}

} // namespace scanbrook::platform
