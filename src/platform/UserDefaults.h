#pragma once

#include <cstdint>
#include <string_view>

namespace scanbrook::platform {

/// The user's persistent settings. Reads never fail: a key that is absent or holds a value
/// that cannot be used as the asked type reads as 0.0, 0 or false.
class UserDefaults {
public:
    virtual ~UserDefaults() = default;
    virtual double doubleForKey(std::string_view key) const = 0;
    virtual std::int64_t integerForKey(std::string_view key) const = 0;
    virtual bool boolForKey(std::string_view key) const = 0;
    virtual void setDouble(double value, std::string_view key) = 0;
    virtual void setInteger(std::int64_t value, std::string_view key) = 0;
    virtual void setBool(bool value, std::string_view key) = 0;
    /// Whether the key holds a value at all, usable or not.
    virtual bool hasValue(std::string_view key) const = 0;
};

} // namespace scanbrook::platform
