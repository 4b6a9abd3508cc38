// The scan-history report built from whatever bytes the log tool printed, with exit status 0.

#include "FuzzSupport.h"

#include "platform/LogJson.h"
#include "platform/Text.h"
#include "reports/CheckReport.h"
#include "reports/ReportTexts.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace {

using namespace scanbrook;

/// Whether every byte of `text` is printable ASCII, where a character is one byte.
bool plainAscii(std::optional<std::string_view> text) {
    return !text ||
           std::all_of(text->begin(), text->end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

/// The report line of an entry, written here on its own from the rules a reader sees: 23
/// characters of the timestamp, two spaces, the sender's last path piece (whole up to 22
/// characters, else characters 19 to 32 padded to 14), the marker decided by the message alone,
/// the message. Only for timestamps and senders of printable ASCII; nullopt for others.
std::optional<std::string> referenceLine(const platform::LogEntry& entry) {
    if (!plainAscii(entry.timestamp) || !plainAscii(entry.senderImagePath)) {
        return std::nullopt;
    }
    std::string line(entry.timestamp.value_or("").substr(0, 23));
    line += "  ";
    if (entry.senderImagePath) {
        std::string_view name = *entry.senderImagePath;
        name.remove_prefix(name.rfind('/') == std::string_view::npos ? 0 : name.rfind('/') + 1);
        std::string shown(name.size() <= 22 ? name : name.substr(18, 14));
        shown.resize(name.size() <= 22 ? shown.size() : 14, ' ');
        line += shown;
    }
    if (entry.eventMessage) {
        const std::string_view message = *entry.eventMessage;
        const bool clean = message.find("NoThreatDetected") != std::string_view::npos ||
                           message.find("status_code\":20") != std::string_view::npos ||
                           message.find("status_code\":0,") != std::string_view::npos;
        line += clean ? "  " : "\xE2\x9A\xA0\xEF\xB8\x8F";
        line += message;
    }
    return line + "\n";
}

/// The expected lines of the object elements in the order the parser visits them: the
/// reference line where there is one, else the report's own line (order and count still count).
class LineCollector final : public platform::LogEntryVisitor {
public:
    std::string lines;
    std::size_t elements = 0;
    std::size_t objects = 0;
    void visit(const platform::LogEntry& entry) override {
        ++elements;
        if (entry.isObject) {
            ++objects;
            if (const auto line = referenceLine(entry)) {
                lines += *line;
            } else {
                reports::appendReportLine(lines, entry);
            }
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const reports::CheckTexts texts = reports::checkTexts(7);
    platform::CommandResult result;
    result.ending = platform::CommandResult::Ending::Exited;
    result.status = 0;
    result.output = fuzz::paddedOutput(data, size);

    // The shipped path: the check hands its result over and the output is let go once parsed.
    platform::CommandResult handedOver = result;
    handedOver.output.reserve(size + platform::kOutputPadding);
    std::string report = texts.header;
    const reports::CheckSummary summary =
        reports::buildCheckReport(report, texts, std::move(handedOver));

    // Whatever the log printed, the console gets well-formed text.
    FUZZ_REQUIRE(platform::isValidUtf8(report));

    LineCollector collector;
    const platform::LogJsonResult parsed = platform::visitLogEntries(result.output, collector);
    switch (summary.outcome) {
    case reports::CheckOutcome::NoArray:
        // Invalid or truncated JSON leaves the header alone: no partial line.
        FUZZ_REQUIRE(report == texts.header);
        FUZZ_REQUIRE(parsed != platform::LogJsonResult::Array);
        break;
    case reports::CheckOutcome::NoneFound:
        FUZZ_REQUIRE(report == texts.noneFound);
        FUZZ_REQUIRE(parsed == platform::LogJsonResult::Array && collector.elements == 0);
        break;
    case reports::CheckOutcome::Lines:
        FUZZ_REQUIRE(parsed == platform::LogJsonResult::Array && collector.elements > 0);
        FUZZ_REQUIRE(summary.lines == collector.objects);
        // The header, then exactly one whole line per object element, in order.
        FUZZ_REQUIRE(report.starts_with(texts.header));
        FUZZ_REQUIRE(std::string_view(report).substr(texts.header.size()) == collector.lines);
        FUZZ_REQUIRE(summary.lines == 0 || report.ends_with('\n'));
        break;
    case reports::CheckOutcome::ToolFailed:
        FUZZ_REQUIRE(!"a tool that exited 0 never failed");
        break;
    }

    // A copy of the result without the spare padding gives the same report.
    platform::CommandResult copy = result;
    copy.output.shrink_to_fit();
    std::string again = texts.header;
    reports::buildCheckReport(again, texts, copy);
    FUZZ_REQUIRE(again == report);
    return 0;
}
