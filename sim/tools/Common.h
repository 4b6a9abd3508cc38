#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// What the simulated Mac's tools share: finding the platform root, reading the controls
/// under ROOT/sim/control/, the clock, and writing standard output.
namespace scanbrook::sim {

/// Exit status for a broken simulated root or a control that cannot be read (EX_SOFTWARE).
inline constexpr int kSetupFailure = 70;

/// Prints "<tool>: <message>" on standard error and exits with kSetupFailure.
[[noreturn]] void fail(std::string_view tool, std::string_view message);

/// The platform root this process belongs to: SCANBROOK_PLATFORM_ROOT when set and not
/// empty, otherwise the folder that holds this executable at `macPath` (for instance
/// "/usr/bin/log"), found from the executable's own path as the system knows it (`argv0`, the
/// program's argv[0], where the system does not say). Never a path of the build tree, so a
/// copied root serves its own copy. Exits through fail() when neither gives a root.
std::string findRoot(std::string_view tool, std::string_view macPath, const char* argv0);

class Controls {
public:
    Controls(std::string tool, std::string root);

    const std::string& root() const { return root_; }
    const std::string& tool() const { return tool_; }

    /// Whether ROOT/sim/control/<name> exists.
    bool has(std::string_view name) const;
    /// The whole content of ROOT/sim/control/<name>, or nullopt when there is no such file.
    std::optional<std::string> raw(std::string_view name) const;
    /// ROOT/sim/control/<name> opened for reading (close-on-exec), or -1 when there is no such
    /// file; fail() when it is there but cannot be opened. For controls too large to hold.
    int open(std::string_view name) const;
    /// A whole number (surrounding white space ignored); fail() on anything else.
    std::optional<long long> integer(std::string_view name) const;
    /// A decimal number of seconds such as 2 or 0.25 (not negative); fail() otherwise.
    std::optional<double> seconds(std::string_view name) const { return decimal(name, "seconds"); }
    /// A decimal number such as 48 or 0.5 (not negative) of `unit` ("hours"), named in the
    /// message when it is anything else; fail() then.
    std::optional<double> decimal(std::string_view name, std::string_view unit) const;

private:
    std::string tool_;
    std::string root_;
};

/// The system clock in microseconds since 1970-01-01 UTC.
std::int64_t systemTimeMicros();

/// The current time in microseconds since 1970-01-01 UTC: the control "now" (seconds, a
/// fraction allowed) when present, the system clock otherwise.
std::int64_t currentTimeMicros(const Controls& controls);

/// The log's timestamp form in the local time zone (TZ honoured):
/// yyyy-MM-dd HH:mm:ss.SSSSSS+hhmm, 31 characters.
std::string formatLogTimestamp(std::int64_t micros);

/// Appends `text` as the body of a JSON string the way the log tool writes it: quotes,
/// backslashes and control characters escaped, "/" written as "\/", other bytes as they are.
void appendJsonEscaped(std::string& out, std::string_view text);

void sleepSeconds(double seconds);

/// A 64-bit mixing step (splitmix64), for reproducible pseudo-random values.
std::uint64_t mix(std::uint64_t value);

/// Reproducible pseudo-random numbers from one seed.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    /// Uniform in [0, 1).
    double unit();
    /// Uniform in [low, high].
    std::int64_t between(std::int64_t low, std::int64_t high);

private:
    std::uint64_t state_;
};

/// An upper-case UUID text derived from `seed`.
std::string uuidFrom(std::uint64_t seed);

/// Buffered writer of standard output. With a byte limit it writes exactly that many bytes
/// and then kills its own process with SIGKILL (also at finish() when the output was
/// shorter), as a tool that crashes part-way would.
class Output {
public:
    explicit Output(std::optional<long long> killAfterBytes);
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void write(std::string_view bytes);
    /// Passes on everything that can be read from `fd`, in large pieces, as cat would. False on
    /// a read error.
    bool copyFrom(int fd);
    /// The buffer; append to it and call flushIfFull() now and then.
    std::string& buffer() { return buffer_; }
    void flushIfFull();
    /// Hands everything buffered to the reader now.
    void flush();
    void finish();
    /// Bytes handed over so far, buffered ones included.
    long long produced() const { return written_ + static_cast<long long>(buffer_.size()); }

private:
    /// Writes `bytes` unbuffered, obeying the byte limit.
    void emit(std::string_view bytes);
    void writeAll(std::string_view bytes);

    std::string buffer_;
    std::optional<long long> limit_;
    long long written_ = 0;
};

} // namespace scanbrook::sim
