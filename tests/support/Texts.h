#pragma once

// The texts users see that several tests expect, spelled out once and independently of the
// code that writes them, so that a changed byte there fails the tests.

#include <string>

namespace scanbrook::test {

/// The outcome marker of a warning: U+26A0 WARNING SIGN, U+FE0F VARIATION SELECTOR-16.
inline const std::string kWarningSign = "\xE2\x9A\xA0\xEF\xB8\x8F";

/// What a completed run appends to the console.
inline const std::string kRunNotice = "\n\nXProtect Remediator has completed scanning.\n"
                                      "To see the results, click on the Check XProtect button.\n";

/// The error line of a check whose log tool ended with `status`.
inline std::string checkError(int status) {
    return "Error " + std::to_string(status) +
           " when checking the log for XProtect Remediator scans.";
}

/// What a run whose scanner ended with `status` appends to the console.
inline std::string runError(int status) {
    return "\n\nError " + std::to_string(status) + " when running XProtect Remediator scans.\n";
}

} // namespace scanbrook::test
