#pragma once

#include "platform/UserDefaults.h"

#include <QSettings>

#include <memory>

namespace scanbrook::platform {

/// The user's settings in the system's own store: the application's defaults domain on macOS,
/// ~/.config/Scanbrook/Scanbrook.conf (honouring XDG_CONFIG_HOME) elsewhere. Keys are kept at
/// the top level under the names the caller gives. Test programs on a Mac use the INI file too
/// (see TestSeam.h).
class QtUserDefaults final : public UserDefaults {
public:
    QtUserDefaults();

    double doubleForKey(std::string_view key) const override;
    std::int64_t integerForKey(std::string_view key) const override;
    bool boolForKey(std::string_view key) const override;
    void setDouble(double value, std::string_view key) override;
    void setInteger(std::int64_t value, std::string_view key) override;
    void setBool(bool value, std::string_view key) override;
    bool hasValue(std::string_view key) const override;
    /// Bytes the Qt side keeps for itself, such as a window's geometry; empty when absent.
    QByteArray bytesForKey(std::string_view key) const;
    void setBytes(const QByteArray& value, std::string_view key);

private:
    QVariant value(std::string_view key) const;
    void store(std::string_view key, const QVariant& value);

    std::unique_ptr<QSettings> settings;
};

} // namespace scanbrook::platform
