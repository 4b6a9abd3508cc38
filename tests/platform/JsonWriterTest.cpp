#include "platform/JsonWriter.h"

#include <gtest/gtest.h>

#include <string>

namespace scanbrook::platform {
namespace {

const std::string kFffd = "\xEF\xBF\xBD";

struct StringCase {
    const char* name;
    std::string text;
    std::string json;
};

class JsonString : public ::testing::TestWithParam<StringCase> {};

TEST_P(JsonString, IsEscapedAndAlwaysValidUtf8) {
    std::string out;
    appendJsonString(out, GetParam().text);
    EXPECT_EQ(out, "\"" + GetParam().json + "\"");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonString,
    ::testing::Values(
        StringCase{"QuotesAndBackslash", R"(a"b\c/)", R"(a\"b\\c/)"},
        StringCase{"ControlCharacters", std::string("\n\r\t\b\f\x01\x1f\x7f", 8) + '\0',
                   "\\n\\r\\t\\b\\f\\u0001\\u001f\x7f\\u0000"},
        StringCase{"WellFormedKept", "\u00E9\u26A0\uFE0F\U0001F469",
                   "\u00E9\u26A0\uFE0F\U0001F469"},
        // Each maximal ill-formed subpart becomes one U+FFFD.
        StringCase{"LoneContinuation", "a\x80z", "a" + kFffd + "z"},
        StringCase{"TruncatedSequence", "\xE2\x82z", kFffd + "z"},
        StringCase{"TruncatedAtTheEnd", "a\xF0\x9F\x91", "a" + kFffd},
        StringCase{"Overlong", "\xC0\xAF", kFffd + kFffd},
        StringCase{"Surrogate", "\xED\xA0\x80", kFffd + kFffd + kFffd},
        StringCase{"InvalidLeadByte", "\xFF", kFffd},
        StringCase{"BeyondU10FFFF", "\xF4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace scanbrook::platform
