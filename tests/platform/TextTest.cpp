#include "platform/Text.h"

#include <gtest/gtest.h>

#include <string>

namespace scanbrook::platform {
namespace {

using namespace std::string_literals;

struct Utf8Case {
    const char* name;
    std::string bytes;
    bool valid;
};

class Utf8Validity : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Validity, IsDecidedStrictly) {
    EXPECT_EQ(isValidUtf8(GetParam().bytes), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Utf8Validity,
    ::testing::Values(Utf8Case{"Empty", "", true}, Utf8Case{"Ascii", "plain text", true},
                      Utf8Case{"NulInside", "a\0b"s, true},
                      Utf8Case{"TwoBytes", "caf\xC3\xA9", true},
                      Utf8Case{"ThreeBytes", "\xE2\x9A\xA0\xEF\xB8\x8F", true},
                      Utf8Case{"FourBytes", "\xF0\x9F\x98\x80", true},
                      Utf8Case{"LastBeforeSurrogates", "\xED\x9F\xBF", true},
                      Utf8Case{"FirstAfterSurrogates", "\xEE\x80\x80", true},
                      Utf8Case{"HighestCodePoint", "\xF4\x8F\xBF\xBF", true},
                      Utf8Case{"OverlongSlash", "\xC0\xAF", false},
                      Utf8Case{"OverlongNul", "\xC0\x80", false},
                      Utf8Case{"OverlongThreeBytes", "\xE0\x80\xAF", false},
                      Utf8Case{"OverlongFourBytes", "\xF0\x80\x80\xAF", false},
                      Utf8Case{"HighSurrogate", "\xED\xA0\x80", false},
                      Utf8Case{"LowSurrogate", "\xED\xBF\xBF", false},
                      Utf8Case{"BeyondHighestCodePoint", "\xF4\x90\x80\x80", false},
                      Utf8Case{"FiveByteLead", "\xF8\x88\x80\x80\x80", false},
                      Utf8Case{"LeadF5", "\xF5\x80\x80\x80", false},
                      Utf8Case{"LoneContinuation", "a\x80z", false},
                      Utf8Case{"TruncatedAtEnd", "ok \xE2\x9A", false},
                      Utf8Case{"TruncatedBeforeAscii",
                               "\xE2\x9A"
                               "a",
                               false},
                      Utf8Case{"InvalidByteFF", "\xFF", false},
                      // Past the first 64 bytes, where a block-wise check moves on.
                      Utf8Case{"LateFault", std::string(100, 'a') + "\xC3\x28", false}),
    [](const ::testing::TestParamInfo<Utf8Case>& tested) {
        return std::string(tested.param.name);
    });

const std::string kEAcute = "e\xCC\x81"; // e and a combining acute accent
const std::string kCoder = "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB";
const std::string kFlagFr = "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7";
const std::string kFlagDe = "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA";
const std::string kHangulLvt = "\xE1\x84\x80\xE1\x85\xA1\xE1\x86\xA8"; // jamo L, V, T

struct CountCase {
    const char* name;
    std::string text;
    std::size_t characters;
};

class CharacterCount : public ::testing::TestWithParam<CountCase> {};

TEST_P(CharacterCount, CountsUserPerceivedCharacters) {
    EXPECT_EQ(characterCount(GetParam().text), GetParam().characters);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CharacterCount,
    ::testing::Values(
        CountCase{"Empty", "", 0}, CountCase{"Ascii", "abc", 3}, CountCase{"CrLfIsOne", "\r\n", 1},
        CountCase{"LfCrIsTwo", "\n\r", 2}, CountCase{"CrCrLf", "\r\r\n", 2},
        CountCase{"CrLfInText", "a\r\nb", 3}, CountCase{"LoneCrAtEnd", "ab\r", 3},
        CountCase{"AsciiControls", "\t\x01\x7F", 3}, CountCase{"CombiningAccent", kEAcute, 1},
        CountCase{"LetterThenAccented", "a" + kEAcute, 2},
        CountCase{"AccentAfterCrLfStandsAlone", "\r\n\xCC\x81", 2},
        CountCase{"Precomposed", "caf\xC3\xA9", 4}, CountCase{"ZwjSequence", kCoder, 1},
        CountCase{"TwoFlags", kFlagFr + kFlagDe, 2},
        CountCase{"OddRegionalIndicators", kFlagFr + "\xF0\x9F\x87\xA9", 2},
        CountCase{"HangulJamo", kHangulLvt, 1},
        CountCase{"WarningSignWithSelector", "\xE2\x9A\xA0\xEF\xB8\x8F", 1},
        CountCase{"LongAsciiThenAccent", std::string(1000, 'x') + kEAcute, 1001},
        CountCase{"AccentThenAscii", kEAcute + "abc", 4}),
    [](const ::testing::TestParamInfo<CountCase>& tested) {
        return std::string(tested.param.name);
    });

struct CutCase {
    const char* name;
    std::string text;
    std::size_t count;
    std::string first; // the first `count` characters; the rest is what dropCharacters gives
};

class CharacterCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(CharacterCut, FirstAndRestMakeTheWhole) {
    const CutCase& c = GetParam();
    EXPECT_EQ(firstCharacters(c.text, c.count), c.first);
    EXPECT_EQ(dropCharacters(c.text, c.count), c.text.substr(c.first.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CharacterCut,
    ::testing::Values(CutCase{"AsciiMiddle", "abcdef", 3, "abc"}, CutCase{"Zero", "abc", 0, ""},
                      CutCase{"ZeroBeforeAccent", kEAcute, 0, ""},
                      CutCase{"Exact", "abc", 3, "abc"}, CutCase{"BeyondEnd", "abc", 10, "abc"},
                      CutCase{"EmptyText", "", 4, ""},
                      CutCase{"CrLfNotSplit", "abc\r\nd", 4, "abc\r\n"},
                      CutCase{"BeforeCrLf", "abc\r\nd", 3, "abc"},
                      CutCase{"AccentStaysWithItsLetter", "abc" + kEAcute + "f", 4,
                              "abc" + kEAcute},
                      CutCase{"AccentedLetterNotTaken", "abc" + kEAcute + "f", 3, "abc"},
                      CutCase{"AccentJustAfterLimit",
                              "ab\xCC\x81"
                              "c",
                              2, "ab\xCC\x81"},
                      CutCase{"CrLfThenAccent", "\r\n\xCC\x81x", 1, "\r\n"},
                      CutCase{"ZwjSequenceWhole", "a" + kCoder + "b", 2, "a" + kCoder},
                      CutCase{"FlagsPairUp", kFlagFr + kFlagDe, 1, kFlagFr},
                      CutCase{"Precomposed", "\xC3\xA9\xC3\xA9\xC3\xA9", 2, "\xC3\xA9\xC3\xA9"},
                      CutCase{"NonAsciiThenAscii",
                              "\xC3\xA9"
                              "abc",
                              2,
                              "\xC3\xA9"
                              "a"},
                      CutCase{"WarningSignKeepsSelector", "\xE2\x9A\xA0\xEF\xB8\x8F!", 1,
                              "\xE2\x9A\xA0\xEF\xB8\x8F"}),
    [](const ::testing::TestParamInfo<CutCase>& tested) { return std::string(tested.param.name); });

} // namespace
} // namespace scanbrook::platform
