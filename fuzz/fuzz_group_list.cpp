// The administrator decision from whatever bytes the id tool printed.

#include "FuzzSupport.h"

#include "logaccess/deDysfunction.h"
#include "platform/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using scanbrook::deDysfunction;
    const std::string_view output = scanbrook::fuzz::bytesOf(data, size);
    const bool admin = deDysfunction::groupListHasAdmin(output);

    if (admin) {
        // Group 80 must be there as a piece of its own, in text that is well formed.
        FUZZ_REQUIRE(scanbrook::platform::isValidUtf8(output));
        FUZZ_REQUIRE(output.find("80") != std::string_view::npos);
    }
    // The decision is about pieces between spaces: "80" among other groups, in any place, is
    // found, and a longer number that merely contains 80 is not.
    if (scanbrook::platform::isValidUtf8(output) && output.find('\n') == std::string_view::npos) {
        const std::string text(output);
        FUZZ_REQUIRE(deDysfunction::groupListHasAdmin(text + " 80\n"));
        FUZZ_REQUIRE(deDysfunction::groupListHasAdmin("80 " + text));
        FUZZ_REQUIRE(deDysfunction::groupListHasAdmin(text + " 801") == admin);
        FUZZ_REQUIRE(deDysfunction::groupListHasAdmin("180 " + text) == admin);
    }
    return 0;
}
