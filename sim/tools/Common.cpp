#include "Common.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <system_error>
#include <unistd.h>

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

namespace scanbrook::sim {

namespace {

constexpr std::size_t kFlushThreshold = 64 * 1024;

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string withoutTrailingSlashes(std::string path) {
    while (!path.empty() && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

/// The absolute path of this executable with symbolic links resolved, as the system started it.
std::string executablePath(std::string_view tool, [[maybe_unused]] const char* argv0) {
#if defined(__linux__) && !defined(SCANBROOK_PORTABLE_POSIX)
    std::string self(4096, '\0');
    const auto length = ::readlink("/proc/self/exe", self.data(), self.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= self.size()) {
        fail(tool, "cannot read /proc/self/exe to find the simulated platform root");
    }
    self.resize(static_cast<std::size_t>(length));
    return self;
#else
#if defined(__APPLE__)
    // The path the program was started by, which may hold symbolic links: resolved below, as
    // Linux's /proc/self/exe is.
    std::uint32_t size = 0;
    ::_NSGetExecutablePath(nullptr, &size);
    std::string started(size, '\0');
    if (::_NSGetExecutablePath(started.data(), &size) != 0) {
        fail(tool, "cannot ask the system for this executable's path");
    }
    const char* path = started.c_str();
#else
    // Plain POSIX names no executable's path: the one it was started by serves when it holds a
    // "/" (runCommand always passes the whole path).
    if (argv0 == nullptr || std::string_view(argv0).find('/') == std::string_view::npos) {
        fail(tool, "started without a path, so the simulated platform root cannot be found");
    }
    const char* path = argv0;
#endif
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path, nullptr),
                                                               &std::free);
    if (!resolved) {
        fail(tool, std::string("cannot resolve this executable's path ") + path);
    }
    return resolved.get();
#endif
}

/// Digits with an optional fraction ("2", "0.25", "1709631667.25"), nothing else. Not through
/// floating-point from_chars, which the Mac's C++ library does not offer at a macOS 13 target,
/// nor strtod, which also takes exponents, "inf" and hexadecimal.
std::optional<double> decimalNumber(std::string_view text) {
    const auto point = text.find('.');
    const auto whole = text.substr(0, point);
    auto fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    if ((whole.empty() && fraction.empty()) || !std::all_of(whole.begin(), whole.end(), isDigit) ||
        !std::all_of(fraction.begin(), fraction.end(), isDigit)) {
        return std::nullopt;
    }
    double result = 0;
    for (const char digit : whole) {
        result = result * 10 + (digit - '0');
    }
    // The fraction as one whole number divided once, so that a time to the microsecond keeps
    // its last digit; digits beyond the fifteenth (below a femtosecond) are dropped.
    fraction = fraction.substr(0, 15);
    long long numerator = 0;
    double denominator = 1;
    for (const char digit : fraction) {
        numerator = numerator * 10 + (digit - '0');
        denominator *= 10;
    }
    result += static_cast<double>(numerator) / denominator;
    if (!std::isfinite(result)) {
        return std::nullopt;
    }
    return result;
}

} // namespace

void fail(std::string_view tool, std::string_view message) {
    std::string line;
    line.append(tool).append(": ").append(message).append("\n");
    // Best effort: standard error may be closed.
    [[maybe_unused]] const auto ignored = ::write(STDERR_FILENO, line.data(), line.size());
    std::_Exit(kSetupFailure);
}

std::string findRoot(std::string_view tool, std::string_view macPath, const char* argv0) {
    if (const char* fromEnvironment = std::getenv("SCANBROOK_PLATFORM_ROOT");
        fromEnvironment != nullptr && *fromEnvironment != '\0') {
        return withoutTrailingSlashes(fromEnvironment);
    }
    std::string self = executablePath(tool, argv0);
    if (self.size() <= macPath.size() || !self.ends_with(macPath)) {
        std::string message = "cannot find the simulated platform root: this executable (";
        message.append(self).append(") does not lie at ROOT").append(macPath);
        message.append(", and SCANBROOK_PLATFORM_ROOT is not set");
        fail(tool, message);
    }
    return self.substr(0, self.size() - macPath.size());
}

Controls::Controls(std::string tool, std::string root)
    : tool_(std::move(tool)), root_(std::move(root)) {}

bool Controls::has(std::string_view name) const {
    std::string path = root_;
    path.append("/sim/control/").append(name);
    return ::access(path.c_str(), F_OK) == 0;
}

std::optional<std::string> Controls::raw(std::string_view name) const {
    std::string path = root_;
    path.append("/sim/control/").append(name);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (::access(path.c_str(), F_OK) == 0) {
            fail(tool_, "cannot read the control " + path);
        }
        return std::nullopt;
    }
    std::ostringstream content;
    content << in.rdbuf();
    return std::move(content).str();
}

int Controls::open(std::string_view name) const {
    std::string path = root_;
    path.append("/sim/control/").append(name);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && ::access(path.c_str(), F_OK) == 0) {
        fail(tool_, "cannot read the control " + path);
    }
    return fd;
}

std::optional<long long> Controls::integer(std::string_view name) const {
    const auto text = raw(name);
    if (!text) {
        return std::nullopt;
    }
    const auto value = trimmed(*text);
    long long result = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), result);
    if (value.empty() || error != std::errc() || end != value.data() + value.size()) {
        fail(tool_, "the control sim/control/" + std::string(name) +
                        " must hold a whole number, not \"" + std::string(value) + "\"");
    }
    return result;
}

std::optional<double> Controls::decimal(std::string_view name, std::string_view unit) const {
    const auto text = raw(name);
    if (!text) {
        return std::nullopt;
    }
    const auto value = trimmed(*text);
    const auto result = decimalNumber(value);
    if (!result) {
        fail(tool_, "the control sim/control/" + std::string(name) + " must hold a number of " +
                        std::string(unit) + ", not \"" + std::string(value) + "\"");
    }
    return *result;
}

std::int64_t currentTimeMicros(const Controls& controls) {
    if (const auto fixed = controls.seconds("now")) {
        return static_cast<std::int64_t>(*fixed * 1e6);
    }
    return systemTimeMicros();
}

std::int64_t systemTimeMicros() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

std::string formatLogTimestamp(std::int64_t micros) {
    auto secondsPart = micros / 1000000;
    auto fraction = micros % 1000000;
    if (fraction < 0) {
        fraction += 1000000;
        --secondsPart;
    }
    const auto seconds = static_cast<std::time_t>(secondsPart);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[64];
    const auto dateLength = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    long offsetMinutes = local.tm_gmtoff / 60;
    const char sign = offsetMinutes < 0 ? '-' : '+';
    if (offsetMinutes < 0) {
        offsetMinutes = -offsetMinutes;
    }
    std::snprintf(text + dateLength, sizeof text - dateLength, ".%06lld%c%02ld%02ld",
                  static_cast<long long>(fraction), sign, offsetMinutes / 60, offsetMinutes % 60);
    return text;
}

void appendJsonEscaped(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '/':
            out += "\\/";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                out += "\\u00";
                out += kHex[(static_cast<unsigned char>(c) >> 4) & 0xf];
                out += kHex[static_cast<unsigned char>(c) & 0xf];
            } else {
                out += c;
            }
        }
    }
}

void sleepSeconds(double seconds) {
    if (!(seconds > 0)) {
        return;
    }
    // A control may ask for any number of seconds; beyond about 30 years is forever, and a
    // larger number would not fit the seconds field.
    seconds = std::min(seconds, 1e9);
    timespec wait{};
    wait.tv_sec = static_cast<std::time_t>(seconds);
    wait.tv_nsec = static_cast<long>((seconds - static_cast<double>(wait.tv_sec)) * 1e9);
    while (::nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

std::uint64_t mix(std::uint64_t value) {
    value += 0x9e3779b97f4a7c15ULL;
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ULL;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebULL;
    return value ^ (value >> 31);
}

std::uint64_t Random::next() {
    state_ += 0x9e3779b97f4a7c15ULL;
    return mix(state_);
}

double Random::unit() {
    return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

std::int64_t Random::between(std::int64_t low, std::int64_t high) {
    const auto span = static_cast<std::uint64_t>(high - low) + 1;
    return low + static_cast<std::int64_t>(next() % span);
}

std::string uuidFrom(std::uint64_t seed) {
    const auto high = mix(seed);
    const auto low = mix(high ^ 0x5bd1e995ULL);
    char text[40];
    std::snprintf(text, sizeof text, "%08llX-%04llX-%04llX-%04llX-%012llX",
                  static_cast<unsigned long long>(high >> 32),
                  static_cast<unsigned long long>((high >> 16) & 0xffff),
                  static_cast<unsigned long long>(high & 0xffff),
                  static_cast<unsigned long long>(low >> 48),
                  static_cast<unsigned long long>(low & 0xffffffffffffULL));
    return text;
}

Output::Output(std::optional<long long> killAfterBytes) : limit_(killAfterBytes) {
    buffer_.reserve(2 * kFlushThreshold);
}

void Output::write(std::string_view bytes) {
    if (bytes.size() >= kFlushThreshold) {
        // Large pieces go out as they are, without a copy through the buffer.
        flush();
        emit(bytes);
        return;
    }
    buffer_.append(bytes);
    flushIfFull();
}

bool Output::copyFrom(int fd) {
    // The size of cat's pieces: a control of many megabytes passes through as fast as the
    // pipe takes it, so that what reads the tool's output is not measured waiting for us.
    constexpr std::size_t kPiece = 128 * 1024;
    const auto piece = std::make_unique<char[]>(kPiece);
    for (;;) {
        const auto count = ::read(fd, piece.get(), kPiece);
        if (count == 0) {
            return true;
        }
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        write(std::string_view(piece.get(), static_cast<std::size_t>(count)));
    }
}

void Output::flushIfFull() {
    if (buffer_.size() >= kFlushThreshold) {
        flush();
    }
}

void Output::finish() {
    flush();
    if (limit_) {
        ::raise(SIGKILL);
    }
}

void Output::flush() {
    emit(buffer_);
    buffer_.clear();
}

void Output::emit(std::string_view pending) {
    if (limit_) {
        const auto room = static_cast<std::size_t>(std::max(0LL, *limit_ - written_));
        if (pending.size() >= room) {
            writeAll(pending.substr(0, room));
            ::raise(SIGKILL);
        }
    }
    writeAll(pending);
}

void Output::writeAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const auto count = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            // The reader is gone; a real tool would end here too.
            std::_Exit(kSetupFailure);
        }
        written_ += count;
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
}

} // namespace scanbrook::sim
