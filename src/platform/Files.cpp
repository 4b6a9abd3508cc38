#include "platform/Files.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <random>
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

/// What a file other than a regular one is, in a reason's words.
std::string_view kindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a directory";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    if (S_ISCHR(mode)) {
        return "a character device";
    }
    return S_ISBLK(mode) ? "a block device" : "not a regular file";
}

/// The file that `path` names once symbolic links in its last component are followed, also to
/// a target that does not exist yet (which is then created, as a shell's redirection does).
/// Links in the folders above need no resolving: the rename goes through them.
std::string followLinks(std::string path, int& error) {
    // As many links as the system itself follows in one path before it says ELOOP.
    for (int hops = 0; hops < 40; ++hops) {
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0) {
            error = errno == EINVAL || errno == ENOENT ? 0 : errno;
            return path;
        }
        target.resize(static_cast<std::size_t>(length));
        if (target.starts_with('/')) {
            path = target;
        } else {
            const std::size_t slash = path.rfind('/');
            path = (slash == std::string::npos ? "" : path.substr(0, slash + 1)) + target;
        }
    }
    error = ELOOP;
    return path;
}

/// A name for the temporary file, short whatever the target's length (a name of 255 bytes is
/// valid and leaves no room for a suffix), and hidden from collectors that match "*.json".
std::string temporaryName(const std::string& target) {
    static constexpr std::string_view kLetters =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    const std::size_t slash = target.rfind('/');
    std::string name = (slash == std::string::npos ? "" : target.substr(0, slash + 1)) + ".sb-";
    for (int i = 0; i < 8; ++i) {
        name += kLetters[random() % kLetters.size()];
    }
    return name;
}

} // namespace

std::optional<std::string> replaceFile(const std::string& path, std::string_view bytes) {
    // A link's target is replaced, not the link: a fleet may point the name at a collected file.
    int linkError = 0;
    const std::string target = followLinks(path, linkError);
    if (linkError != 0) {
        return replaceFailure(path, "following its symbolic links", linkError);
    }
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) {
        return replaceFailure(path, "looking at it", errno);
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        return "could not write " + path + ": it is " + std::string(kindOf(existing.st_mode)) +
               ", not a regular file";
    }
    // Beside the target, so that the rename stays within one file system and is atomic. A new
    // file gets the mode the process's umask leaves of 0666, as any other file it creates.
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryName(target);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        return replaceFailure(path, "creating a temporary file beside it", errno);
    }
    const auto fail = [&](std::string_view step, int error) {
        ::unlink(temporary.c_str());
        return replaceFailure(path, step, error);
    };
    if (exists && ::fchmod(fd, existing.st_mode & 07777) != 0) {
        const int error = errno;
        ::close(fd);
        return fail("keeping its mode", error);
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
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
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
