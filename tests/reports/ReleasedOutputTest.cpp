// buildCheckReport on a result that is not needed afterwards (the check's own run): the same
// report as from a result kept by the caller, with the output let go once it was parsed.
#include "reports/CheckReport.h"

#include "reports/ReportTexts.h"
#include "support/CommandResults.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <utility>

namespace scanbrook::reports {
namespace {

using testing::exitedWith;
using testing::notStarted;

constexpr std::string_view kTwoEntries =
    R"([{"timestamp":"2024-03-05 09:41:07.123456+0000","senderImagePath":"\/a\/XProtectRemediatorPirrit",)"
    R"("eventMessage":"{\"status_code\":0,\"status_message\":\"NoThreatDetected\"}"},)"
    R"({"timestamp":"2024-03-05 09:41:08.000000+0000","senderImagePath":"\/a\/Sample",)"
    R"("eventMessage":"{\"status_code\":1}"}])";

struct ReleaseCase {
    const char* name;
    platform::CommandResult (*make)();
    /// Whether the output is gone afterwards: it is let go once parsed into lines.
    bool released;
};

platform::CommandResult twoEntries() {
    return exitedWith(0, kTwoEntries);
}
platform::CommandResult twoEntriesWithoutSpareBytes() {
    platform::CommandResult result = exitedWith(0);
    result.output = std::string(kTwoEntries);
    result.output.shrink_to_fit();
    return result;
}
platform::CommandResult emptyArray() {
    return exitedWith(0, "[]");
}
platform::CommandResult truncated() {
    return exitedWith(0, kTwoEntries.substr(0, kTwoEntries.size() - 1));
}
platform::CommandResult notAnArray() {
    return exitedWith(0, R"({"timestamp":"x"})");
}
platform::CommandResult failed() {
    return exitedWith(3, kTwoEntries);
}
platform::CommandResult missingTool() {
    return notStarted(ENOENT);
}

class ReleasedOutput : public ::testing::TestWithParam<ReleaseCase> {};

TEST_P(ReleasedOutput, GivesTheSameReportAsAKeptResult) {
    const CheckTexts texts = checkTexts(7);
    const platform::CommandResult kept = GetParam().make();
    std::string expected = texts.header;
    const CheckSummary expectedSummary = buildCheckReport(expected, texts, kept);

    platform::CommandResult given = GetParam().make();
    std::string report = texts.header;
    const CheckSummary summary = buildCheckReport(report, texts, std::move(given));

    EXPECT_EQ(report, expected);
    EXPECT_EQ(summary.outcome, expectedSummary.outcome);
    EXPECT_EQ(summary.lines, expectedSummary.lines);
    EXPECT_EQ(summary.anyWarning, expectedSummary.anyWarning);
    // Moved from, `given` is still there to look at: its output was let go, or left alone.
    // NOLINTNEXTLINE(bugprone-use-after-move)
    EXPECT_EQ(given.output.empty(), GetParam().released || kept.output.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Results, ReleasedOutput,
    ::testing::Values(ReleaseCase{"lines", &twoEntries, true},
                      ReleaseCase{"linesWithoutSpareBytes", &twoEntriesWithoutSpareBytes, true},
                      ReleaseCase{"emptyArray", &emptyArray, false},
                      ReleaseCase{"truncated", &truncated, false},
                      ReleaseCase{"notAnArray", &notAnArray, false},
                      ReleaseCase{"toolFailed", &failed, false},
                      ReleaseCase{"toolMissing", &missingTool, false}),
    [](const ::testing::TestParamInfo<ReleaseCase>& param) { return param.param.name; });

} // namespace
} // namespace scanbrook::reports
