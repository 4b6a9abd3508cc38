#pragma once

#include "platform/Ui.h"

namespace scanbrook::platform {

/// Reads decimal numbers as a person types them into a small number field: optional spaces
/// around, an optional sign, digits, and an optional fraction ("7", "-3", "+12", "7.9", ".5").
/// Grouping separators, exponents and other text spell no number.
class DecimalNumberFormatter final : public NumberFormatter {
public:
    std::optional<std::int64_t> integerFromString(std::string_view text) const override;
};

} // namespace scanbrook::platform
