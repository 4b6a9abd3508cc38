#include "platform/Process.h"

#include "platform/LargePages.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <exception>
#include <fcntl.h>
#include <new>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace scanbrook::platform {

namespace {

/// The first read goes into this much room; most programs we run print less.
constexpr std::size_t kInitialCapacity = 16 * 1024;
/// Below this much free room the buffer grows before the next read, so that a large output
/// is read in pipe-sized pieces rather than in slivers.
constexpr std::size_t kMinimumReadRoom = 4 * 1024;
/// One read() takes at most this much: what a pipe holds by default. The room handed to
/// read() is zero-filled first, so it is kept to what one read can fill.
constexpr std::size_t kLargestRead = 64 * 1024;
/// Up to this capacity the buffer grows fourfold, beyond it twofold: every growth copies the
/// bytes read so far into fresh memory, and a month of log output is tens of megabytes.
constexpr std::size_t kFourfoldGrowthLimit = 64 * 1024 * 1024;
/// Where no close-from action exists, descriptors up to this one are looked at before a start:
/// one system call each, so the scan stops well short of a limit of a million.
[[maybe_unused]] constexpr long kLargestDescriptorScanned = 65536;

/// Closes a descriptor once, on every path out of the function.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { close(); }

    int get() const { return fd_; }
    void close() {
        if (fd_ >= 0) {
            // Linux releases the descriptor even when close() reports EINTR, so never retry.
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_;
};

class SpawnSetup {
public:
    SpawnSetup() {
        fileActionsError_ = posix_spawn_file_actions_init(&fileActions_);
        attributesError_ = posix_spawnattr_init(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    ~SpawnSetup() {
        if (fileActionsError_ == 0) {
            posix_spawn_file_actions_destroy(&fileActions_);
        }
        if (attributesError_ == 0) {
            posix_spawnattr_destroy(&attributes_);
        }
    }

    /// Standard output onto the pipe's write end (`ownFds` are both ends of that pipe); standard
    /// input and error as the parent has them, or /dev/null; every descriptor above standard error
    /// closed (a test runner, or another thread's pipe, must not reach the child); SIGPIPE
    /// back to its default and no signal blocked, whatever the calling thread has set.
    int prepare(int outputFd, const int (&ownFds)[2], StandardError errors) {
        if (fileActionsError_ != 0) {
            return fileActionsError_;
        }
        if (attributesError_ != 0) {
            return attributesError_;
        }
        if (int error = posix_spawn_file_actions_adddup2(&fileActions_, outputFd, STDOUT_FILENO);
            error != 0) {
            return error;
        }
        if (int error = addStandardInputAndError(ownFds, errors); error != 0) {
            return error;
        }
#if defined(__linux__) && !defined(SCANBROOK_PORTABLE_POSIX)
        if (int error = posix_spawn_file_actions_addclosefrom_np(&fileActions_, STDERR_FILENO + 1);
            error != 0) {
            return error;
        }
#elif !defined(__APPLE__)
        if (int error = addCloseForOpenDescriptors(); error != 0) {
            return error;
        }
#endif
        sigset_t defaulted;
        sigemptyset(&defaulted);
        sigaddset(&defaulted, SIGPIPE);
        sigset_t noneBlocked;
        sigemptyset(&noneBlocked);
        if (int error = posix_spawnattr_setsigdefault(&attributes_, &defaulted); error != 0) {
            return error;
        }
        if (int error = posix_spawnattr_setsigmask(&attributes_, &noneBlocked); error != 0) {
            return error;
        }
        short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
#if defined(__APPLE__)
        // The Mac has no close-from action; this flag closes every descriptor the file actions
        // did not name.
        flags |= POSIX_SPAWN_CLOEXEC_DEFAULT;
#endif
        return posix_spawnattr_setflags(&attributes_, flags);
    }

    const posix_spawn_file_actions_t* fileActions() const {
        return &fileActions_;
    }
    const posix_spawnattr_t* attributes() const {
        return &attributes_;
    }

private:
    /// Standard input and error reach the child only when the parent has them open, meant for
    /// children (not close-on-exec) and not an end of our own pipe: a parent started with either
    /// closed gets that number back from pipe(), and a child handed our read end as its standard
    /// error, or our write end as its standard input, would hold our read open or write into
    /// nothing. In their place the child gets /dev/null. Added after the dup2 of standard output,
    /// so that a write end sitting at 0 or 2 has been copied to 1 first.
    /// With `errors` Discarded, standard error is /dev/null whatever the parent has.
    int addStandardInputAndError(const int (&ownFds)[2], StandardError errors) {
        for (const int fd : {STDIN_FILENO, STDERR_FILENO}) {
            const int flags = ::fcntl(fd, F_GETFD);
            const bool ours = fd == ownFds[0] || fd == ownFds[1];
            const bool discarded = fd == STDERR_FILENO && errors == StandardError::Discarded;
            if (!discarded && !ours && flags != -1 && (flags & FD_CLOEXEC) == 0) {
#if defined(__APPLE__)
                // With POSIX_SPAWN_CLOEXEC_DEFAULT only named descriptors stay open.
                if (int error = posix_spawn_file_actions_addinherit_np(&fileActions_, fd);
                    error != 0) {
                    return error;
                }
#endif
                continue;
            }
            const int mode = fd == STDIN_FILENO ? O_RDONLY : O_WRONLY;
            if (int error =
                    posix_spawn_file_actions_addopen(&fileActions_, fd, "/dev/null", mode, 0);
                error != 0) {
                return error;
            }
        }
        return 0;
    }

#if !defined(__APPLE__)
    /// Plain POSIX has no close-from action: every descriptor above standard error that is open
    /// now gets a close action of its own. One opened by another thread after this scan is not
    /// closed, unless it is close-on-exec (as ours are).
    int addCloseForOpenDescriptors() {
        const long openMax = ::sysconf(_SC_OPEN_MAX);
        const int limit = static_cast<int>(std::clamp(openMax, 256L, kLargestDescriptorScanned));
        for (int fd = STDERR_FILENO + 1; fd < limit; ++fd) {
            if (::fcntl(fd, F_GETFD) == -1) {
                continue;
            }
            if (int error = posix_spawn_file_actions_addclose(&fileActions_, fd); error != 0) {
                return error;
            }
        }
        return 0;
    }
#endif

    posix_spawn_file_actions_t fileActions_{};
    posix_spawnattr_t attributes_{};
    int fileActionsError_ = 0;
    int attributesError_ = 0;
};

void reportNotStarted(CommandResult& result, int error) {
    result.ending = CommandResult::Ending::NotStarted;
    result.startError = error;
    // The shell's convention: 127 when there is no such program, 126 when it is there but
    // cannot be run.
    result.status = error == ENOENT ? 127 : 126;
}

/// Reads `fd` to its end into `output`, keeping kOutputPadding spare bytes of capacity after
/// the bytes read. Throws std::bad_alloc (or std::length_error) when the output outgrows memory;
/// `output` then holds what was read so far.
/// When a limited run must stop reading, and whether it had to.
struct Deadline {
    std::chrono::steady_clock::time_point at;
    bool expired = false;

    /// Waits until `fd` can be read or the deadline passes; false once it has passed.
    bool waitReadable(int fd) {
        for (;;) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(at - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                expired = true;
                return false;
            }
            pollfd watched{fd, POLLIN, 0};
            const int ready = ::poll(
                &watched, 1, static_cast<int>(std::min<long long>(left.count(), 60 * 60 * 1000)));
            if (ready > 0 || (ready < 0 && errno != EINTR)) {
                // Readable, at its end, or in error: the read says which.
                return true;
            }
        }
    }
};

void readToEnd(int fd, std::string& output, const OutputObserver& onOutput,
               Deadline* deadline = nullptr) {
    // Between reads the string's size is the bytes read so far. The capacity grows ahead of
    // it (a growth copies only the bytes read), and the size only by the piece handed to each
    // read(): memory beyond the bytes read is reserved but never written, so the pages of a
    // large output are touched once, by its own bytes.
    output.clear();
    output.reserve(kInitialCapacity + kOutputPadding);
    for (;;) {
        const std::size_t used = output.size();
        if (output.capacity() - used < kOutputPadding + kMinimumReadRoom) {
            const std::size_t capacity = output.capacity();
            std::string larger;
            larger.reserve(capacity < kFourfoldGrowthLimit ? 4 * capacity : 2 * capacity);
            // Advised before the bytes so far are copied in, so that they land in large pages
            // too.
            if (larger.capacity() >= kLargePageWorthwhile) {
                adviseLargePages(larger.data(), larger.capacity());
            }
            larger.assign(output);
            output.swap(larger);
        }
        const std::size_t room = std::min(output.capacity() - kOutputPadding - used, kLargestRead);
        if (deadline != nullptr && !deadline->waitReadable(fd)) {
            return;
        }
        output.resize(used + room);
        const ssize_t count = ::read(fd, output.data() + used, room);
        const int readError = errno;
        output.resize(used + static_cast<std::size_t>(count > 0 ? count : 0));
        if (count < 0 && readError == EINTR) {
            continue;
        }
        if (count <= 0) {
            // End of file, or a read error that retrying will not mend: keep what arrived.
            return;
        }
        if (onOutput) {
            onOutput(output);
        }
    }
}

/// Reads and throws away the rest of `fd`, so that a child whose output we could not hold
/// still runs to its own end rather than dying of a broken pipe.
void drain(int fd) {
    char sink[4096];
    for (;;) {
        const ssize_t count = ::read(fd, sink, sizeof sink);
        if (count == 0 || (count < 0 && errno != EINTR)) {
            return;
        }
    }
}

void waitForExit(pid_t pid, CommandResult& result) {
    int status = 0;
    pid_t waited;
    do {
        waited = ::waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited < 0) {
        // The child was reaped elsewhere (SIGCHLD ignored, for one): its end is unknown, and an
        // unknown end must never read as success.
        result.ending = CommandResult::Ending::Exited;
        result.status = -1;
        return;
    }
    if (WIFSIGNALED(status)) {
        result.ending = CommandResult::Ending::Signalled;
        result.status = WTERMSIG(status);
    } else {
        result.ending = CommandResult::Ending::Exited;
        result.status = WEXITSTATUS(status);
    }
}

/// A pipe whose ends are close-on-exec, so that a program started by another thread at the same
/// moment does not inherit our write end and keep our read from ever ending. 0 or an errno value.
int openCloseOnExecPipe(int (&fds)[2]) {
#if defined(__linux__) && !defined(SCANBROOK_PORTABLE_POSIX)
    return ::pipe2(fds, O_CLOEXEC) == 0 ? 0 : errno;
#else
    // Between pipe() and fcntl() another thread's start may see the ends still inheritable. On
    // the Mac that does no harm (POSIX_SPAWN_CLOEXEC_DEFAULT closes whatever a start does not
    // name); elsewhere the close actions cover every descriptor open when a start was prepared.
    if (::pipe(fds) != 0) {
        return errno;
    }
    for (const int fd : fds) {
        if (::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) {
            const int error = errno;
            ::close(fds[0]);
            ::close(fds[1]);
            return error;
        }
    }
    return 0;
#endif
}

bool holdsNul(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

} // namespace

namespace {

CommandResult run(const std::string& path, const std::vector<std::string>& arguments,
                  const OutputObserver& onOutput, Deadline* deadline, StandardError errors) {
    CommandResult result;
    try {
        result.launchPath = path;
        result.output.reserve(kOutputPadding);
    } catch (const std::bad_alloc&) {
        reportNotStarted(result, ENOMEM);
        return result;
    }

    // An argument cannot carry a NUL byte through exec: refuse rather than pass a shortened
    // one.
    if (holdsNul(path)) {
        reportNotStarted(result, EINVAL);
        return result;
    }
    for (const std::string& argument : arguments) {
        if (holdsNul(argument)) {
            reportNotStarted(result, EINVAL);
            return result;
        }
    }

    std::vector<char*> argv;
    try {
        argv.reserve(arguments.size() + 2);
    } catch (const std::bad_alloc&) {
        reportNotStarted(result, ENOMEM);
        return result;
    }
    // exec takes non-const strings but does not change them.
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    int pipeFds[2];
    if (int error = openCloseOnExecPipe(pipeFds); error != 0) {
        reportNotStarted(result, error);
        return result;
    }
    Descriptor readEnd(pipeFds[0]);
    Descriptor writeEnd(pipeFds[1]);

    pid_t pid = 0;
    {
        SpawnSetup setup;
        if (int error = setup.prepare(writeEnd.get(), pipeFds, errors); error != 0) {
            reportNotStarted(result, error);
            return result;
        }
        // posix_spawn reports a failed exec by its result, not by -1 and errno.
        if (int error = ::posix_spawn(&pid, path.c_str(), setup.fileActions(), setup.attributes(),
                                      argv.data(), environ);
            error != 0) {
            reportNotStarted(result, error);
            return result;
        }
    }
    // Only the child may hold the write end now, or the read below never sees its end.
    writeEnd.close();

    try {
        readToEnd(readEnd.get(), result.output, onOutput, deadline);
        if (result.output.capacity() < result.output.size() + kOutputPadding) {
            result.output.reserve(result.output.size() + kOutputPadding);
        }
    } catch (const std::exception&) {
        // Out of memory (or beyond the longest string): a partial output must not pass for the
        // whole: drop it, let the child finish, and report how it ended.
        std::string().swap(result.output);
        drain(readEnd.get());
        try {
            result.output.reserve(kOutputPadding);
        } catch (const std::bad_alloc&) {
        }
    }
    readEnd.close();

    if (deadline != nullptr && !deadline->expired) {
        // A child may close its output and still not end: it gets the rest of its time.
        for (;;) {
            siginfo_t info{};
            // Looks without reaping: waitForExit below reads the status.
            if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
                info.si_pid != 0) {
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline->at) {
                deadline->expired = true;
                break;
            }
            ::usleep(5000);
        }
    }
    if (deadline != nullptr && deadline->expired) {
        ::kill(pid, SIGKILL);
    }
    waitForExit(pid, result);
    result.timedOut = deadline != nullptr && deadline->expired;
    return result;
}

} // namespace

CommandResult runCommand(const std::string& path, const std::vector<std::string>& arguments,
                         const OutputObserver& onOutput, StandardError errors) {
    return run(path, arguments, onOutput, nullptr, errors);
}

CommandResult runCommandWithin(const std::string& path, const std::vector<std::string>& arguments,
                               std::chrono::milliseconds limit) {
    Deadline deadline{std::chrono::steady_clock::now() + limit};
    return run(path, arguments, {}, &deadline, StandardError::Inherited);
}

} // namespace scanbrook::platform
