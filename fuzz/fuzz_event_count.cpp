// The progress count of log entries against the parser that builds the report: on any array the
// parser accepts, the count ends at its number of elements, however the bytes are split.

#include "FuzzSupport.h"

#include <algorithm>

#include "platform/LogJson.h"
#include "reports/EventCounter.h"

namespace {

using namespace scanbrook;

class ElementCounter final : public platform::LogEntryVisitor {
public:
    std::uint64_t elements = 0;
    void visit(const platform::LogEntry&) override { ++elements; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::bytesOf(data, size);

    reports::EventCounter whole;
    whole.feed(bytes);

    // Pieces whose lengths come from the input itself, as a pipe might hand them over.
    reports::EventCounter pieces;
    std::size_t at = 0;
    std::size_t step = size == 0 ? 1 : (data[0] % 7) + 1;
    while (at < size) {
        const std::size_t length = std::min(step, size - at);
        pieces.feed(bytes.substr(at, length));
        at += length;
        step = (step * 5 + 3) % 11 + 1;
    }
    FUZZ_REQUIRE(pieces.count() == whole.count());

    const std::string output = fuzz::paddedOutput(data, size);
    ElementCounter parsed;
    if (platform::visitLogEntries(output, parsed) == platform::LogJsonResult::Array) {
        FUZZ_REQUIRE(whole.count() == parsed.elements);
    }
    return 0;
}
