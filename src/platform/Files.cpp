#include "platform/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace scanbrook::platform {

namespace {

std::string failure(const std::string& path, int error) {
    const std::filesystem::path p(path);
    std::string folder = p.parent_path().string();
    if (folder.empty()) {
        folder = ".";
    }
    return "The file \u201C" + p.filename().string() +
           "\u201D couldn\u2019t be saved in the folder \u201C" + folder +
           "\u201D: " + std::strerror(error) + ".";
}

/// Writes all of `bytes` to `fd`; errno on failure, 0 on success.
int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

std::string replaceFailure(const std::string& path, std::string_view step, int error) {
    return "could not write " + path + " (" + std::string(step) + "): " + std::strerror(error);
}

} // namespace

std::optional<std::string> replaceFile(const std::string& path, std::string_view bytes) {
    // Beside the target, so that the rename stays within one file system and is atomic.
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return replaceFailure(path, "creating a temporary file beside it", errno);
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    const auto fail = [&](std::string_view step, int error) {
        ::unlink(temporary.c_str());
        return replaceFailure(path, step, error);
    };
    if (::fchmod(fd, 0644) != 0) {
        const int error = errno;
        ::close(fd);
        return fail("setting its mode", error);
    }
    if (const int error = writeAll(fd, bytes); error != 0) {
        ::close(fd);
        return fail("writing", error);
    }
    // On disk before the rename: after a crash the name holds the old or the new file whole.
    if (::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        return fail("flushing to disk", error);
    }
    if (::close(fd) != 0 && errno != EINTR) {
        return fail("closing", errno);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        return fail("renaming the temporary file over it", errno);
    }
    return std::nullopt;
}

std::optional<std::string> writeFile(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return failure(path, errno);
    }
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            ::close(fd);
            return failure(path, error);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    // On some file systems the data reaches the disk only here, so a failing close is a failed
    // save too.
    if (::close(fd) != 0 && errno != EINTR) {
        return failure(path, errno);
    }
    return std::nullopt;
}

bool directoryHoldsEntries(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return false;
    }
    DIR* directory = ::opendir(path.c_str());
    if (directory == nullptr) {
        return false;
    }
    bool holdsEntries = false;
    errno = 0;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            holdsEntries = true;
            break;
        }
    }
    ::closedir(directory);
    return holdsEntries;
}

std::optional<std::string> readSmallFile(const std::string& path, std::size_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat status {};
    std::optional<std::string> contents;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
        static_cast<std::uintmax_t>(status.st_size) <= maxBytes) {
        contents.emplace();
        char buffer[16384];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0 || contents->size() + static_cast<std::size_t>(got) > maxBytes) {
                contents.reset();
                break;
            }
            if (got == 0) {
                break;
            }
            contents->append(buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    return contents;
}

std::optional<std::string> makeFolders(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error && !std::filesystem::is_directory(path)) {
        return "could not create the folder " + path + ": " + error.message();
    }
    return std::nullopt;
}

std::optional<std::string> removeFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        return "could not remove " + path + ": " + std::strerror(errno);
    }
    return std::nullopt;
}

void removeFolderIfEmpty(const std::string& path) {
    // rmdir refuses a folder that holds anything, which is exactly the rule.
    ::rmdir(path.c_str());
}

} // namespace scanbrook::platform
