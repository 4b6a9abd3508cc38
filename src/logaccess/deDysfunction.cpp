#include "logaccess/deDysfunction.h"

#include "platform/DateFormat.h"
#include "platform/Files.h"
#include "platform/LogJson.h"
#include "platform/MacPaths.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/UserInfo.h"
#include "reports/LogCommands.h"

namespace scanbrook {

namespace {

constexpr std::string_view kAdminGroup = "80";
constexpr std::string_view kPosixLocale = "en_US_POSIX";
constexpr std::string_view kSamplePattern = "yyyy-MM-dd HH:mm:ss";
constexpr std::string_view kSampleText = "2021-04-07 18:22:06";
constexpr std::string_view kTimestampPattern = "yyyy-MM-dd HH:mm:ss.SSSSSSZZZ";
constexpr std::size_t kEntriesExamined = 10;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

/// dddd-dd-dd dd:dd:dd.dddddd±dddd. The date library alone would also take "+00:00", "Z",
/// a one-digit hour or fewer fraction digits, none of which the report's fixed positions can
/// read.
bool hasTimestampShape(std::string_view text) {
    constexpr std::string_view kShape = "dddd-dd-dd dd:dd:dd.dddddd+dddd";
    if (text.size() != kShape.size()) {
        return false;
    }
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const char want = kShape[i];
        const char have = text[i];
        const bool ok = want == 'd'   ? isDigit(have)
                        : want == '+' ? (have == '+' || have == '-')
                                      : have == want;
        if (!ok) {
            return false;
        }
    }
    return true;
}

class TimestampFinder final : public platform::LogEntryVisitor {
public:
    bool found = false;
    void visit(const platform::LogEntry& entry) override {
        // Every examined entry is visited; one usable timestamp is enough.
        if (entry.isObject && entry.timestamp && deDysfunction::timestampUsable(*entry.timestamp)) {
            found = true;
        }
    }
};

} // namespace

deDysfunction::deDysfunction()
    : setClockScript("tell application \"System Preferences\"\n"
                     "activate\n"
                     "set the current pane to pane id \"com.apple.Localization\"\n"
                     "reveal anchor \"Language\" of pane id \"com.apple.Localization\"\n"
                     "end tell") {}

bool deDysfunction::checkAdmin() const {
    const auto user = platform::effectiveUserName();
    if (!user) {
        return false;
    }
    // Only the output decides, whatever the tool's exit status.
    const auto result = platform::runCommand(platform::platformPath(mac::kIdTool), {"-G", *user});
    return result.started() && groupListHasAdmin(result.output);
}

bool deDysfunction::groupListHasAdmin(std::string_view idOutput) {
    if (!platform::isValidUtf8(idOutput)) {
        return false;
    }
    // The tool ends its list with a line feed; left attached, it would hide a last group 80.
    if (idOutput.ends_with('\n')) {
        idOutput.remove_suffix(1);
    }
    for (;;) {
        const auto space = idOutput.find(' ');
        if (idOutput.substr(0, space) == kAdminGroup) {
            return true;
        }
        if (space == std::string_view::npos) {
            return false;
        }
        idOutput.remove_prefix(space + 1);
    }
}

bool deDysfunction::checkPersist() const {
    return checkDirectory(platform::platformPath(mac::kLogStoreDirectory));
}

bool deDysfunction::checkTimesync() const {
    return checkDirectory(platform::platformPath(mac::kLogTimesyncDirectory));
}

bool deDysfunction::checkDirectory(const std::string& path) const {
    return platform::directoryHoldsEntries(path);
}

bool deDysfunction::checkLogEntries() const {
    const auto result =
        platform::runCommand(platform::platformPath(mac::kLogTool), reports::logEntriesArguments());
    return result.started() && result.status == 0 && logOutputHasEntries(result.output);
}

bool deDysfunction::logOutputHasEntries(std::string_view logOutput) {
    return platform::isValidUtf8(logOutput) && logOutput.find('\n') != std::string_view::npos;
}

bool deDysfunction::checkLogTimeFormat() const {
    if (!rendersTwentyFourHour()) {
        return false;
    }
    const auto result = platform::runCommand(platform::platformPath(mac::kLogTool),
                                             reports::logTimeFormatArguments());
    return result.started() && result.status == 0 && logTimestampsUsable(result.output);
}

bool deDysfunction::rendersTwentyFourHour() {
    // The user's current zone ("" asks for it), as the report's readers see their clock.
    const auto sample = platform::parseDate(kSampleText, kSamplePattern, kPosixLocale, "");
    if (!sample) {
        return false;
    }
    const std::string rendered = platform::formatDate(*sample, kSamplePattern, kPosixLocale, "");
    return rendered.find('m') == std::string::npos && rendered.find('M') == std::string::npos;
}

bool deDysfunction::logTimestampsUsable(std::string_view jsonOutput) {
    TimestampFinder finder;
    const auto parsed = platform::visitLogEntries(jsonOutput, finder, kEntriesExamined);
    return parsed == platform::LogJsonResult::Array && finder.found;
}

bool deDysfunction::timestampUsable(std::string_view timestamp) {
    if (!hasTimestampShape(timestamp)) {
        return false;
    }
    // No zone is set: every timestamp carries its own offset.
    return platform::parseDate(timestamp, kTimestampPattern, kPosixLocale, "").has_value();
}

} // namespace scanbrook
