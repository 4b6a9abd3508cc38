// The progress count of log entries, fed the output whole and one byte at a time (a pipe may
// split it anywhere).

#include "reports/EventCounter.h"

#include <gtest/gtest.h>

#include <string_view>

namespace scanbrook::reports {
namespace {

struct CountCase {
    const char* name;
    std::string_view output;
    std::uint64_t expected;
};

class EventCounterTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(EventCounterTest, CountsClosedTopLevelElementsWhateverTheSplit) {
    const CountCase& row = GetParam();
    EventCounter whole;
    whole.feed(row.output);
    EXPECT_EQ(whole.count(), row.expected);

    EventCounter bytewise;
    for (const char c : row.output) {
        bytewise.feed(std::string_view(&c, 1));
    }
    EXPECT_EQ(bytewise.count(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, EventCounterTest,
    ::testing::Values(CountCase{"EmptyArray", " [\n]\n", 0},
                      CountCase{"SpaceAndLineFeedBeforeTheArray", "\n [{},{}]", 2},
                      // The escaping backslash is the last byte of an eight-byte word.
                      CountCase{"BackslashEndsAWord", R"([{"m":"abcdefg\"x"},{},{}])", 3},
                      CountCase{"Objects", R"([{"a":1},{"b":{"c":[1,2]}},{}])", 3},
                      CountCase{"BracketsInStrings", R"([{"m":"]}{[,"},{"n":"[[["}])", 2},
                      CountCase{"EscapedQuotes", R"([{"m":"say \"}]\" \\"},{"m":"\\\\"}])", 2},
                      CountCase{"NestedArrays", R"([[1,[2]],[],[[]]])", 3},
                      CountCase{"Scalars", R"([1, "a,b", true ,null])", 4},
                      CountCase{"TruncatedElementNotCounted", R"([{"a":1},{"b":"x)", 1},
                      CountCase{"NotAnArray", R"({"a":[{},{}]})", 0},
                      CountCase{"NothingAfterTheArray", R"([{}] [{},{}])", 1}),
    [](const ::testing::TestParamInfo<CountCase>& row) { return std::string(row.param.name); });

} // namespace
} // namespace scanbrook::reports
