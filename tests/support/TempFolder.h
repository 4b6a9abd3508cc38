#pragma once

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace scanbrook::test {

/// The whole content of the file at `path`, or nullopt when it cannot be read.
inline std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return in ? std::optional(std::string(std::istreambuf_iterator<char>(in), {})) : std::nullopt;
}

/// Replaces (or creates) the file at `path` with `bytes`; the folders on the way are created.
inline void writeFile(const std::string& path, std::string_view bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

/// A new empty folder under TMPDIR (or /tmp), removed with everything in it by the destructor,
/// so that tests running at the same time never share a file.
class TempFolder {
public:
    explicit TempFolder(std::string_view prefix = "scanbrook") {
        const char* tmp = std::getenv("TMPDIR");
        path_ = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/" +
                std::string(prefix) + "-XXXXXX";
        if (::mkdtemp(path_.data()) == nullptr) {
            throw std::system_error(errno, std::generic_category(), "mkdtemp " + path_);
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    /// The folder: absolute, without a trailing "/".
    const std::string& path() const { return path_; }
    std::string file(std::string_view relative) const {
        return path_ + "/" + std::string(relative);
    }

private:
    std::string path_;
};

} // namespace scanbrook::test
