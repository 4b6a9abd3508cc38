// The scan-history report built from whatever bytes the log tool printed, with exit status 0.

#include "FuzzSupport.h"

#include "platform/LogJson.h"
#include "platform/Text.h"
#include "reports/CheckReport.h"
#include "reports/ReportTexts.h"

namespace {

using namespace scanbrook;

/// The lines of the object elements, each made on its own, in the order the parser visits them.
class LineCollector final : public platform::LogEntryVisitor {
public:
    std::string lines;
    std::size_t elements = 0;
    std::size_t objects = 0;
    void visit(const platform::LogEntry& entry) override {
        ++elements;
        if (entry.isObject) {
            ++objects;
            reports::appendReportLine(lines, entry);
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

    std::string report = texts.header;
    const reports::CheckSummary summary = reports::buildCheckReport(report, texts, result);

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
