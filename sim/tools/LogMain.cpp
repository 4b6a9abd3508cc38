// The simulated Mac's unified log tool, ROOT/usr/bin/log: answers the three "show" requests
// that Scanbrook makes, from synthetic history and the event store (see ../README.md).

#include "Common.h"
#include "Events.h"
#include "LogFormat.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace scanbrook::sim;

constexpr std::int64_t kMicrosPerSecond = 1000000;
constexpr std::int64_t kMicrosPerHour = 3600 * kMicrosPerSecond;
constexpr std::int64_t kMicrosPerDay = 24 * kMicrosPerHour;
/// How far back the log reaches without the control keep-hours: past the longest period a
/// query may ask for (30 days), so that a period query never meets it, and near the month that
/// a real Mac keeps its longest-lived entries. It also bounds what "--start @0" prints.
constexpr std::int64_t kDefaultKeepMicros = 31 * kMicrosPerDay;
/// Ample for any real use, and far below what overflows microseconds.
constexpr double kMostKeepHours = 1e9;
constexpr std::string_view kPredicate =
    "subsystem == \"com.apple.XProtectFramework.PluginAPI\" AND category == "
    "\"XPEvent.structured\"";
constexpr int kUsageStatus = 64;

/// The requests the tool answers; also the middle part of a request-specific control name
/// (log.<mode>.<control>).
enum class Mode { Query, Text, Json };

std::string_view modeName(Mode mode) {
    switch (mode) {
    case Mode::Query:
        return "query";
    case Mode::Text:
        return "text";
    case Mode::Json:
        return "json";
    }
    return "";
}

struct Request {
    Mode mode = Mode::Text;
    int days = 0;                             ///< the period of a "--last Nd" query
    std::optional<std::int64_t> startSeconds; ///< the instant of a "--start @S" query

    /// The earliest instant the request asks for (inclusive).
    std::int64_t firstMicros(std::int64_t now) const {
        if (startSeconds) {
            return *startSeconds * kMicrosPerSecond;
        }
        // "--last" leaves out the instant that lies exactly the period before now.
        return mode == Mode::Query ? now - days * kMicrosPerDay + 1 : now - 2 * kMicrosPerSecond;
    }
    /// How far back from now the request reaches; nothing for an instant after now.
    std::int64_t spanMicros(std::int64_t now) const {
        if (startSeconds) {
            return std::max<std::int64_t>(0, now - firstMicros(now));
        }
        return mode == Mode::Query ? days * kMicrosPerDay : 2 * kMicrosPerSecond;
    }
};

std::optional<int> periodDays(std::string_view argument) {
    if (argument.size() < 2 || argument.back() != 'd' || argument.front() == '0') {
        return std::nullopt;
    }
    int days = 0;
    const auto digits = argument.substr(0, argument.size() - 1);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), days);
    if (error != std::errc() || end != digits.data() + digits.size() || days < 1 || days > 30) {
        return std::nullopt;
    }
    return days;
}

/// "@" and whole seconds since 1970, as the real tool takes an instant: no sign, no fraction,
/// at most twelve digits (beyond the year 30000), so that the instant fits in microseconds.
std::optional<std::int64_t> startInstant(std::string_view argument) {
    if (argument.size() < 2 || argument.size() > 13 || argument.front() != '@') {
        return std::nullopt;
    }
    const auto digits = argument.substr(1);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    std::int64_t seconds = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), seconds);
    return seconds;
}

std::optional<Request> parseArguments(const std::vector<std::string_view>& arguments) {
    using Args = std::vector<std::string_view>;
    if (arguments == Args{"show", "--last", "2"}) {
        return Request{Mode::Text, 0, std::nullopt};
    }
    if (arguments == Args{"show", "--style", "json", "--last", "2"}) {
        return Request{Mode::Json, 0, std::nullopt};
    }
    if (arguments.size() != 8 ||
        Args(arguments.begin(), arguments.begin() + 6) !=
            Args{"show", "--predicate", kPredicate, "--style", "json", "--info"}) {
        return std::nullopt;
    }
    if (arguments[6] == "--last") {
        if (const auto days = periodDays(arguments[7])) {
            return Request{Mode::Query, *days, std::nullopt};
        }
    } else if (arguments[6] == "--start") {
        if (const auto start = startInstant(arguments[7])) {
            return Request{Mode::Query, 0, start};
        }
    }
    return std::nullopt;
}

[[noreturn]] void usage(const std::vector<std::string_view>& arguments) {
    std::string text = "log: the simulated log tool does not answer:";
    for (const auto argument : arguments) {
        text.append(" '").append(argument).append("'");
    }
    text += "\nusage (simulated Mac):\n"
            "  log show --predicate '<the XProtect Remediator predicate>' --style json --info "
            "--last <1-30>d\n"
            "  log show --predicate '<the XProtect Remediator predicate>' --style json --info "
            "--start @<seconds since 1970>\n"
            "  log show --last 2\n"
            "  log show --style json --last 2\n";
    [[maybe_unused]] const auto ignored = ::write(STDERR_FILENO, text.data(), text.size());
    std::_Exit(kUsageStatus);
}

/// The controls of one request: log.<mode>.<name> when present, else log.<name>.
class LogControls {
public:
    LogControls(const Controls& controls, Mode mode) : controls_(controls), mode_(mode) {}

    std::string nameOf(std::string_view control) const {
        std::string specific = "log.";
        specific.append(modeName(mode_)).append(".").append(control);
        if (controls_.has(specific)) {
            return specific;
        }
        return "log." + std::string(control);
    }
    std::optional<std::string> raw(std::string_view control) const {
        return controls_.raw(nameOf(control));
    }
    std::optional<long long> integer(std::string_view control) const {
        return controls_.integer(nameOf(control));
    }
    std::optional<double> seconds(std::string_view control) const {
        return controls_.seconds(nameOf(control));
    }
    std::optional<double> decimal(std::string_view control, std::string_view unit) const {
        return controls_.decimal(nameOf(control), unit);
    }

private:
    const Controls& controls_;
    Mode mode_;
};

/// "1.5" waits that many seconds; "random:MIN-MAX" a random number of milliseconds in
/// [MIN, MAX].
void delay(const LogControls& controls, const Controls& base) {
    const auto text = controls.raw("delay");
    if (!text) {
        return;
    }
    std::string_view value = *text;
    while (!value.empty() && (value.back() == '\n' || value.back() == ' ')) {
        value.remove_suffix(1);
    }
    constexpr std::string_view kRandom = "random:";
    if (!value.starts_with(kRandom)) {
        sleepSeconds(*controls.seconds("delay"));
        return;
    }
    value.remove_prefix(kRandom.size());
    const auto dash = value.find('-');
    long long low = -1;
    long long high = -1;
    if (dash != std::string_view::npos) {
        std::from_chars(value.data(), value.data() + dash, low);
        std::from_chars(value.data() + dash + 1, value.data() + value.size(), high);
    }
    if (low < 0 || high < low) {
        fail(base.tool(), "the control " + controls.nameOf("delay") +
                              " must hold seconds or random:MIN-MAX milliseconds");
    }
    Random random(static_cast<std::uint64_t>(::getpid()) ^
                  static_cast<std::uint64_t>(std::time(nullptr)));
    sleepSeconds(static_cast<double>(random.between(low, high)) / 1000.0);
}

/// The scan events from `earliest` to `now`, both included, oldest first: synthetic history
/// merged with the store.
/// With `pace`, each entry is handed over on its own and followed by that many seconds' wait, as
/// the real tool writes a long period's entries over minutes.
void writeQuery(Output& out, const std::string& root, std::int64_t earliest, std::int64_t now,
                std::optional<double> pace) {
    auto inWindow = [&](const ScanEvent& event) {
        return event.micros >= earliest && event.micros <= now;
    };
    std::vector<ScanEvent> stored = readStore(root);
    std::erase_if(stored, [&](const ScanEvent& event) { return !inWindow(event); });
    std::stable_sort(stored.begin(), stored.end(),
                     [](const auto& a, const auto& b) { return a.micros < b.micros; });
    auto nextStored = stored.begin();

    auto& buffer = out.buffer();
    bool first = true;
    std::string senderPath;
    auto emit = [&](const ScanEvent& event) {
        buffer.append(first ? "[" : ",");
        first = false;
        appendJsonEntry(buffer, recordOf(event, senderPath));
        if (pace) {
            out.flush();
            sleepSeconds(*pace);
        } else {
            out.flushIfFull();
        }
    };
    const auto floorDiv = [](std::int64_t a, std::int64_t b) {
        return a / b - (a % b < 0 ? 1 : 0);
    };
    for (auto day = floorDiv(earliest, kMicrosPerDay); day <= floorDiv(now, kMicrosPerDay); ++day) {
        for (const auto& event : historyOfDay(day)) {
            if (!inWindow(event)) {
                continue;
            }
            while (nextStored != stored.end() && nextStored->micros < event.micros) {
                emit(*nextStored++);
            }
            emit(event);
        }
    }
    while (nextStored != stored.end()) {
        emit(*nextStored++);
    }
    buffer.append(first ? "[]\n" : "]\n");
}

/// A few entries of other parts of the system, logged just before `now`.
std::vector<LogRecord> recentRecords(std::int64_t now) {
    struct Recent {
        std::string_view process;
        std::string_view sender;
        std::string_view subsystem;
        std::string_view category;
        std::string_view type;
        std::uint32_t processID;
        std::string_view message;
    };
    static constexpr Recent kRecent[] = {
        {"/usr/libexec/runningboardd", "/usr/libexec/runningboardd", "com.apple.runningboard",
         "process", "Default", 164,
         "[app<application.com.apple.Terminal>:512] Ignoring jetsam update because this process "
         "is not memory-managed"},
        {"/usr/sbin/mDNSResponder", "/usr/sbin/mDNSResponder", "com.apple.mDNSResponder", "Default",
         "Default", 211,
         "[R4711] getaddrinfo stop -- hostname: <private>, client "
         "pid: 512 (Safari)"},
        {"/usr/libexec/trustd", "/System/Library/Frameworks/Security.framework/Versions/A/Security",
         "com.apple.securityd", "trust", "Info", 347,
         "Trust evaluation completed for \"www.example.com\""},
        {"/System/Library/CoreServices/loginwindow.app/Contents/MacOS/loginwindow",
         "/System/Library/PrivateFrameworks/SkyLight.framework/Versions/A/SkyLight",
         "com.apple.SkyLight", "default", "Default", 142, "Display 1 woke up"},
        {"/usr/libexec/syspolicyd", "/usr/libexec/syspolicyd", "com.apple.syspolicy", "exec",
         "Info", 389, "Skipping evaluation of /Applications/Utilities/Terminal.app"},
    };
    std::vector<LogRecord> records;
    std::int64_t step = 0;
    for (const auto& recent : kRecent) {
        LogRecord record;
        record.micros = now - 1700000 + step;
        step += 337000 + static_cast<std::int64_t>(recent.processID) * 17;
        record.processImagePath = recent.process;
        record.senderImagePath = recent.sender;
        record.subsystem = recent.subsystem;
        record.category = recent.category;
        record.messageType = recent.type;
        record.processID = recent.processID;
        record.eventMessage = recent.message;
        record.seed = recent.processID;
        records.push_back(record);
    }
    return records;
}

void writeRecentJson(Output& out, std::int64_t now) {
    auto& buffer = out.buffer();
    bool first = true;
    for (const auto& record : recentRecords(now)) {
        buffer.append(first ? "[" : ",");
        first = false;
        appendJsonEntry(buffer, record);
    }
    buffer.append("]\n");
}

void writeRecentText(Output& out, std::int64_t now) {
    auto& buffer = out.buffer();
    buffer.append(plainTextHeader());
    long defaults = 0;
    long infos = 0;
    for (const auto& record : recentRecords(now)) {
        appendPlainTextEntry(buffer, record);
        (record.messageType == "Info" ? infos : defaults) += 1;
    }
    buffer.append(plainTextFooter(defaults, infos));
}

/// At least `megabytes` MiB of well-formed output in the request's style, entries spread
/// evenly over the `span` before `now` and ending at `now`.
void writeHuge(Output& out, Mode mode, std::int64_t span, std::int64_t now, long long megabytes) {
    const auto target = megabytes * 1024 * 1024;
    constexpr long long kTypicalEntryBytes = 1300;
    const auto step = std::max<std::int64_t>(1, span / (target / kTypicalEntryBytes + 1));
    auto& buffer = out.buffer();
    if (mode == Mode::Text) {
        buffer.append(plainTextHeader());
    }
    std::string senderPath;
    long count = 0;
    auto micros = now - span;
    while (out.produced() < target) {
        micros = std::min(micros + step, now);
        const auto& scanner = kScanners[static_cast<std::size_t>(count) % kScanners.size()];
        ScanEvent event;
        event.micros = micros;
        event.scanner = scanner;
        event.processID = 400 + static_cast<std::uint32_t>(count % 50000);
        event.message = scanMessage(scanner, Outcome::Clean, 0.25, false);
        const auto record = recordOf(event, senderPath);
        if (mode == Mode::Text) {
            appendPlainTextEntry(buffer, record);
        } else {
            buffer.append(count == 0 ? "[" : ",");
            appendJsonEntry(buffer, record);
        }
        ++count;
        out.flushIfFull();
    }
    if (mode == Mode::Text) {
        buffer.append(plainTextFooter(count, 0));
    } else {
        buffer.append(count == 0 ? "[]\n" : "]\n");
    }
}

/// A replacement output handed over a line at a time, each followed by `pace` seconds' wait.
void writePaced(Output& out, int fd, double pace) {
    std::string text;
    char piece[4096];
    for (ssize_t count; (count = ::read(fd, piece, sizeof piece)) != 0;) {
        if (count < 0 && errno != EINTR) {
            break;
        }
        text.append(piece, static_cast<std::size_t>(std::max<ssize_t>(count, 0)));
    }
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;
        out.write(std::string_view(text).substr(at, end - at));
        out.flush();
        sleepSeconds(pace);
        at = end;
    }
}

} // namespace

int main(int argc, char** argv) {
    ::tzset();
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const auto request = parseArguments(arguments);
    if (!request) {
        usage(arguments);
    }
    const Controls base("log", findRoot("log", "/usr/bin/log", argv[0]));
    const LogControls controls(base, request->mode);

    // Every control is read before anything is printed, so that a bad one fails cleanly.
    const auto status = controls.integer("status").value_or(0);
    const auto linger = controls.seconds("close-stdout-and-linger");
    // Opened now, passed on below: a replacement may be a month of output, tens of megabytes.
    const int replacement = base.open(controls.nameOf("output"));
    const auto megabytes = controls.integer("huge");
    const auto pace = controls.seconds("pace");
    const auto keepHours = controls.decimal("keep-hours", "hours");
    const auto secondsPerDay = controls.seconds("seconds-per-day");
    delay(controls, base);
    const auto now = currentTimeMicros(base);
    const auto span = request->spanMicros(now);
    // The real tool's cost grows with the span it is asked to search, whatever it finds there.
    if (secondsPerDay) {
        sleepSeconds(*secondsPerDay * static_cast<double>(span) /
                     static_cast<double>(kMicrosPerDay));
    }
    // A log that has rolled over holds nothing older than what it keeps.
    const auto kept = keepHours ? static_cast<std::int64_t>(std::min(*keepHours, kMostKeepHours) *
                                                            static_cast<double>(kMicrosPerHour))
                                : kDefaultKeepMicros;
    const auto earliest = std::max(request->firstMicros(now), now - kept);

    Output out(controls.integer("kill-after"));
    if (replacement >= 0 && pace) {
        writePaced(out, replacement, *pace);
        ::close(replacement);
    } else if (replacement >= 0) {
        if (!out.copyFrom(replacement)) {
            fail(base.tool(), "cannot read the control " + controls.nameOf("output"));
        }
        ::close(replacement);
    } else if (megabytes) {
        writeHuge(out, request->mode, span, now, *megabytes);
    } else {
        switch (request->mode) {
        case Mode::Query:
            writeQuery(out, base.root(), earliest, now, pace);
            break;
        case Mode::Json:
            writeRecentJson(out, now);
            break;
        case Mode::Text:
            writeRecentText(out, now);
            break;
        }
    }
    out.finish();

    if (linger) {
        ::close(STDOUT_FILENO);
        sleepSeconds(*linger);
    }
    return static_cast<int>(status);
}
