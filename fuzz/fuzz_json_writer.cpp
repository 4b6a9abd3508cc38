// The JSON that scanbrook-cli writes, from whatever bytes: one string, and the check's and the
// summary's documents from the bytes as the log tool's output.

#include "FuzzSupport.h"

#include "platform/JsonWriter.h"
#include "platform/Text.h"
#include "reports/ReportJson.h"
#include "reports/ScanSummary.h"

#include <simdjson.h>

namespace {

using namespace scanbrook;

/// Parses `json` (which must be one complete document) with an independent parser.
simdjson::dom::element parsed(simdjson::dom::parser& parser, const std::string& json) {
    simdjson::dom::element root;
    FUZZ_REQUIRE(parser.parse(json).get(root) == simdjson::SUCCESS);
    return root;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::bytesOf(data, size);
    static simdjson::dom::parser parser; // its buffers are kept between inputs

    // Any bytes make one JSON string; text that is valid UTF-8 comes back unchanged.
    std::string quoted;
    platform::appendJsonString(quoted, bytes);
    std::string_view back;
    FUZZ_REQUIRE(parsed(parser, quoted).get_string().get(back) == simdjson::SUCCESS);
    if (platform::isValidUtf8(bytes)) {
        FUZZ_REQUIRE(back == bytes);
    }

    // The documents of a check of these bytes parse, whatever the log tool printed.
    platform::CommandResult result;
    result.ending = platform::CommandResult::Ending::Exited;
    result.status = 0;
    result.output = fuzz::paddedOutput(data, size);
    const reports::CheckTexts texts = reports::checkTexts(7);
    std::string report = texts.header;
    reports::CheckEventsJson events;
    reports::ScanSummaryBuilder summary;
    struct Both final : reports::ReportLineObserver {
        reports::ReportLineObserver* first;
        reports::ReportLineObserver* second;
        Both(reports::ReportLineObserver* a, reports::ReportLineObserver* b)
            : first(a), second(b) {}
        void reportLine(const platform::LogEntry& entry, bool warning) override {
            first->reportLine(entry, warning);
            second->reportLine(entry, warning);
        }
    } both(&events, &summary);
    const reports::CheckSummary check = reports::buildCheckReport(report, texts, result, &both);
    const reports::ScanSummary scans = summary.finish(check);
    const reports::DocumentHeader header{7, {}};

    simdjson::dom::array array;
    FUZZ_REQUIRE(
        parsed(parser, reports::checkJson(header, check, report, events))["events"].get_array().get(
            array) == simdjson::SUCCESS);
    FUZZ_REQUIRE(array.size() == check.lines);
    FUZZ_REQUIRE(parsed(parser, reports::summaryJson(header, scans, check, report))["scanners"]
                     .get_array()
                     .get(array) == simdjson::SUCCESS);
    FUZZ_REQUIRE(array.size() == scans.scanners.size());
    return 0;
}
