#pragma once

#include <cstdint>
#include <string_view>

namespace scanbrook::reports {

/// Counts the complete elements of the top-level JSON array in bytes that arrive in pieces, for
/// a progress figure while the log tool is still writing. It only tracks strings, escapes and
/// nesting, so it costs a fraction of a parse; it does not validate: on output that is no JSON
/// array the figure means nothing, and the report built afterwards says what the output was.
class EventCounter {
public:
    /// Takes the next piece of the output, which may split a string, an escape or an element
    /// anywhere.
    void feed(std::string_view bytes);

    /// The elements of the top-level array closed so far.
    std::uint64_t count() const { return count_; }

private:
    enum class Phase : std::uint8_t { BeforeArray, InArray, AfterArray };

    std::uint64_t count_ = 0;
    /// Nesting below the top-level array: 0 between its elements.
    std::uint64_t depth_ = 0;
    Phase phase_ = Phase::BeforeArray;
    bool inString_ = false;
    bool escaped_ = false;
    /// A number, literal or string element of the top-level array is open: it ends at the next
    /// comma or the closing bracket.
    bool scalarOpen_ = false;
};

} // namespace scanbrook::reports
