// The period as a person types it into the window's field, and as --days takes it on the
// command line: whatever the text, a check asks for 1 to 30 days.

#include "FuzzSupport.h"

#include "cli/CliArguments.h"
#include "platform/NumberFormatter.h"
#include "reports/ReportTexts.h"

#include <string>

namespace {

using namespace scanbrook;

void requireTextsFor(std::int64_t days) {
    FUZZ_REQUIRE(days >= reports::kMinPeriodDays && days <= reports::kMaxPeriodDays);
    const reports::CheckTexts texts = reports::checkTexts(days);
    FUZZ_REQUIRE(texts.periodArgument == std::to_string(days) + "d");
    FUZZ_REQUIRE(texts.header.starts_with("XProtect Remediator scans completed in the last "));
    FUZZ_REQUIRE(texts.header.ends_with(":\n\n"));
    FUZZ_REQUIRE(texts.noneFound.ends_with("."));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::bytesOf(data, size);

    // The window: the field's text through the formatter, a text that is no number counts as 1,
    // then the clamp.
    const platform::DecimalNumberFormatter formatter;
    const std::optional<std::int64_t> typed = formatter.integerFromString(text);
    const std::int64_t windowDays = reports::clampPeriod(typed.value_or(1));
    requireTextsFor(windowDays);
    if (typed && *typed >= 1 && *typed <= 30) {
        FUZZ_REQUIRE(windowDays == *typed);
    }

    // The command line.
    const std::optional<std::int64_t> days = cli::parseDays(text);
    if (days) {
        requireTextsFor(*days);
        // --days is stricter than the field: whatever it takes, the field reads alike.
        FUZZ_REQUIRE(typed && reports::clampPeriod(*typed) == *days);
    }
    return 0;
}
