#include "platform/Text.h"

#include <simdjson.h>
#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/utext.h>

#include <cstdint>
#include <limits>
#include <memory>

namespace scanbrook::platform {

namespace {

/// How far the first characters of a text reach: `bytes` long, `characters` many.
struct Span {
    std::size_t bytes = 0;
    std::size_t characters = 0;
};

bool isContinuationByte(unsigned char byte) {
    return (byte & 0xC0U) == 0x80U;
}

/// Counts code points instead of characters; only for when ICU cannot give a break iterator
/// (missing data), so that a report still never splits a UTF-8 sequence.
Span scanCodePoints(std::string_view text, std::size_t limit) {
    Span span;
    while (span.bytes < text.size() && span.characters < limit) {
        ++span.bytes;
        while (span.bytes < text.size() &&
               isContinuationByte(static_cast<unsigned char>(text[span.bytes]))) {
            ++span.bytes;
        }
        ++span.characters;
    }
    return span;
}

/// One character break iterator per thread: creating one loads rule data and costs far more
/// than using it, and a report asks for one per line.
icu::BreakIterator* characterBreakIterator() {
    thread_local const std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) {
            made.reset();
        }
        return made;
    }();
    return iterator.get();
}

Span scanWithIcu(std::string_view text, std::size_t limit) {
    icu::BreakIterator* iterator = characterBreakIterator();
    // The iterator reports positions as 32-bit offsets.
    if (iterator == nullptr ||
        text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        return scanCodePoints(text, limit);
    }
    UErrorCode status = U_ZERO_ERROR;
    UText utf8 = UTEXT_INITIALIZER;
    utext_openUTF8(&utf8, text.data(), static_cast<std::int64_t>(text.size()), &status);
    if (U_SUCCESS(status)) {
        iterator->setText(&utf8, status);
    }
    if (U_FAILURE(status)) {
        utext_close(&utf8);
        return scanCodePoints(text, limit);
    }
    // Over UTF-8 the iterator's positions are byte offsets.
    Span span;
    while (span.characters < limit) {
        const std::int32_t next = iterator->next();
        if (next == icu::BreakIterator::DONE) {
            break;
        }
        span.bytes = static_cast<std::size_t>(next);
        ++span.characters;
    }
    utext_close(&utf8);
    return span;
}

/// The first `limit` characters of `text` (all of it when shorter).
///
/// In ASCII every byte is a character of its own, except that CR LF is one. A boundary in front
/// of an ASCII byte is certain; in front of any other byte it is not (a combining accent joins
/// the letter before it), so the first non-ASCII byte hands the rest to ICU, starting from the
/// last certain boundary.
Span scan(std::string_view text, std::size_t limit) {
    const std::size_t size = text.size();
    Span span;
    while (span.characters < limit && span.bytes < size) {
        const auto byte = static_cast<unsigned char>(text[span.bytes]);
        if (byte >= 0x80U) {
            break;
        }
        span.bytes +=
            (byte == '\r' && span.bytes + 1 < size && text[span.bytes + 1] == '\n') ? 2 : 1;
        ++span.characters;
    }
    if (span.bytes == size || static_cast<unsigned char>(text[span.bytes]) < 0x80U) {
        return span;
    }
    // The last character taken may be joined by the non-ASCII text that follows: go back to
    // the boundary in front of it, which lies between two ASCII characters (or at the start).
    Span certain = span;
    if (certain.characters > 0) {
        const bool wasCrLf = certain.bytes >= 2 && text[certain.bytes - 2] == '\r' &&
                             text[certain.bytes - 1] == '\n';
        certain.bytes -= wasCrLf ? 2 : 1;
        --certain.characters;
    }
    const Span rest = scanWithIcu(text.substr(certain.bytes), limit - certain.characters);
    return {certain.bytes + rest.bytes, certain.characters + rest.characters};
}

} // namespace

bool isValidUtf8(std::string_view bytes) {
    return simdjson::validate_utf8(bytes);
}

std::size_t characterCount(std::string_view utf8) {
    return scan(utf8, std::numeric_limits<std::size_t>::max()).characters;
}

std::string_view firstCharacters(std::string_view utf8, std::size_t count) {
    return utf8.substr(0, scan(utf8, count).bytes);
}

std::string_view dropCharacters(std::string_view utf8, std::size_t count) {
    return utf8.substr(scan(utf8, count).bytes);
}

} // namespace scanbrook::platform
