// The launch check's decision on the log's time format, from whatever bytes the log tool printed
// for its JSON sample; and the form test of one timestamp on the same bytes.

#include "FuzzSupport.h"

#include "logaccess/deDysfunction.h"
#include "platform/LogJson.h"
#include "platform/Text.h"

namespace {

using namespace scanbrook;

class TimestampCounter final : public platform::LogEntryVisitor {
public:
    std::size_t usable = 0;
    void visit(const platform::LogEntry& entry) override {
        if (entry.isObject && entry.timestamp && deDysfunction::timestampUsable(*entry.timestamp)) {
            ++usable;
        }
    }
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string output = fuzz::paddedOutput(data, size);
    const bool usable = deDysfunction::logTimestampsUsable(output);

    // Only an array whose first ten elements hold a usable timestamp passes.
    TimestampCounter counter;
    const auto parsed = platform::visitLogEntries(output, counter, 10);
    FUZZ_REQUIRE(usable == (parsed == platform::LogJsonResult::Array && counter.usable > 0));

    // A timestamp that passes has the report's fixed positions: 31 ASCII bytes, the first 23 of
    // them the date, the time of day and the milliseconds.
    const std::string_view text = fuzz::bytesOf(data, size);
    if (deDysfunction::timestampUsable(text)) {
        FUZZ_REQUIRE(text.size() == 31);
        FUZZ_REQUIRE(platform::characterCount(text) == 31);
        FUZZ_REQUIRE(platform::firstCharacters(text, 23).size() == 23);
        FUZZ_REQUIRE(text[4] == '-' && text[10] == ' ' && text[13] == ':' && text[19] == '.');
        FUZZ_REQUIRE(text[26] == '+' || text[26] == '-');
        for (const std::size_t at : {0U, 1U, 2U, 3U, 5U, 8U, 11U, 14U, 17U, 20U, 25U, 27U, 30U}) {
            FUZZ_REQUIRE(isDigit(text[at]));
        }
    }
    return 0;
}
