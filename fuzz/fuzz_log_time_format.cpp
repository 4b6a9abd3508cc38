// The launch check's decision on the log's time format, from whatever bytes the log tool printed
// for its JSON sample; and the form test of one timestamp on the same bytes.

#include "FuzzSupport.h"

#include "logaccess/deDysfunction.h"
#include "platform/LogJson.h"

namespace {

using namespace scanbrook;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

/// The fixed positions of a usable timestamp, "yyyy-MM-dd HH:mm:ss.SSSSSS+hhmm": 31 bytes,
/// separators where the form puts them, digits everywhere else.
bool hasFixedPositions(std::string_view t) {
    if (t.size() != 31) {
        return false;
    }
    for (std::size_t at = 0; at < t.size(); ++at) {
        const char c = t[at];
        const bool ok = at == 4 || at == 7     ? c == '-'
                        : at == 10             ? c == ' '
                        : at == 13 || at == 16 ? c == ':'
                        : at == 19             ? c == '.'
                        : at == 26             ? c == '+' || c == '-'
                                               : isDigit(c);
        if (!ok) {
            return false;
        }
    }
    return true;
}

int number(std::string_view t, std::size_t at, std::size_t digits) {
    int value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
        value = value * 10 + (t[i] - '0');
    }
    return value;
}

/// Fixed positions holding values that every calendar and clock has: surely usable.
bool plainlyUsable(std::string_view t) {
    return hasFixedPositions(t) && number(t, 0, 4) >= 2001 && number(t, 0, 4) <= 2099 &&
           number(t, 5, 2) >= 1 && number(t, 5, 2) <= 12 && number(t, 8, 2) >= 1 &&
           number(t, 8, 2) <= 28 && number(t, 11, 2) <= 23 && number(t, 14, 2) <= 59 &&
           number(t, 17, 2) <= 59 && number(t, 27, 2) <= 12 && number(t, 29, 2) == 0;
}

/// Among the first ten elements: whether any timestamp has the fixed positions, and whether any
/// is plainly usable.
class TimestampOracle final : public platform::LogEntryVisitor {
public:
    bool anyShaped = false;
    bool anyPlainlyUsable = false;
    void visit(const platform::LogEntry& entry) override {
        if (entry.isObject && entry.timestamp) {
            anyShaped = anyShaped || hasFixedPositions(*entry.timestamp);
            anyPlainlyUsable = anyPlainlyUsable || plainlyUsable(*entry.timestamp);
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string output = fuzz::paddedOutput(data, size);
    const bool usable = deDysfunction::logTimestampsUsable(output);

    // Only an array with a timestamp of the fixed positions among its first ten elements passes,
    // and one with a plainly usable timestamp there always does.
    TimestampOracle oracle;
    const auto parsed = platform::visitLogEntries(output, oracle, 10);
    const bool array = parsed == platform::LogJsonResult::Array;
    FUZZ_REQUIRE(!usable || (array && oracle.anyShaped));
    FUZZ_REQUIRE(usable || !(array && oracle.anyPlainlyUsable));

    // The same two bounds for one timestamp alone.
    const std::string_view text = fuzz::bytesOf(data, size);
    const bool one = deDysfunction::timestampUsable(text);
    FUZZ_REQUIRE(!one || hasFixedPositions(text));
    FUZZ_REQUIRE(one || !plainlyUsable(text));
    return 0;
}
