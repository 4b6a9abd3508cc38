// Strict UTF-8 validation at its boundaries; counting and cutting characters is proven by the
// report's sender-name and timestamp tables.
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <string>

namespace scanbrook::platform {
namespace {

using namespace std::string_literals;

class Utf8Validity : public ::testing::TestWithParam<std::pair<std::string, bool>> {};

TEST_P(Utf8Validity, IsDecidedStrictly) {
    EXPECT_EQ(isValidUtf8(GetParam().first), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Utf8Validity,
    ::testing::Values(std::pair{""s, true}, std::pair{"a\0b"s, true},
                      std::pair{"\xE2\x9A\xA0\xEF\xB8\x8F"s, true},
                      std::pair{"\xF4\x8F\xBF\xBF"s, true},  // highest code point
                      std::pair{"\xC0\xAF"s, false},         // overlong "/"
                      std::pair{"\xED\xA0\x80"s, false},     // surrogate
                      std::pair{"\xF4\x90\x80\x80"s, false}, // above the highest
                      std::pair{"ok \xE2\x9A"s, false},      // cut short
                      // Past the first 64 bytes, where a block-wise check moves on.
                      std::pair{std::string(100, 'a') + "\xC3\x28", false}));

} // namespace
} // namespace scanbrook::platform
