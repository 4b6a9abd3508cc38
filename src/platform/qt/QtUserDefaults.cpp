#include "platform/qt/QtUserDefaults.h"

#include "platform/TestSeam.h"
#include "platform/qt/AppIdentity.h"

#include <QDir>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>

namespace scanbrook::platform {

namespace {

QString keyString(std::string_view key) {
    return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

/// Where a test program on a Mac keeps its settings: the INI file that Linux uses, in the folder
/// the test chose, never the user's defaults domain. Built everywhere so that it is compiled here.
[[maybe_unused]] QString testSettingsFile() {
    const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
    const QString folder = configHome.isEmpty() ? QDir::homePath() + QStringLiteral("/.config")
                                                : QString::fromLocal8Bit(configHome);
    const QString file = folder + QStringLiteral("/") + organizationName() + QStringLiteral("/") +
                         applicationName() + QStringLiteral(".conf");
    return file;
}

/// The system's own store: the defaults domain on a Mac, an INI file elsewhere.
std::unique_ptr<QSettings> openSettings() {
#if defined(__APPLE__)
    if (honoursTestEnvironment()) {
        return std::make_unique<QSettings>(testSettingsFile(), QSettings::IniFormat);
    }
    // The domain, not the name, decides the defaults domain on macOS.
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       organizationDomain(), applicationName());
#else
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       organizationName(), applicationName());
#endif
}

// A text store (the INI file on Linux) hands every value back as text, so numbers are parsed
// here; anything that is no number reads as unusable.
std::optional<double> asDouble(const QVariant& value) {
    if (!value.isValid() || value.typeId() == QMetaType::QStringList ||
        value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QVariantMap) {
        return std::nullopt;
    }
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok) {
        return std::nullopt;
    }
    return number;
}

} // namespace

QtUserDefaults::QtUserDefaults() : settings(openSettings()) {}

QVariant QtUserDefaults::value(std::string_view key) const {
    return settings->value(keyString(key));
}

void QtUserDefaults::store(std::string_view key, const QVariant& value) {
    settings->setValue(keyString(key), value);
    // Written at once, so that a crash later loses nothing.
    settings->sync();
}

double QtUserDefaults::doubleForKey(std::string_view key) const {
    return asDouble(value(key)).value_or(0.0);
}

std::int64_t QtUserDefaults::integerForKey(std::string_view key) const {
    const QVariant stored = value(key);
    if (stored.typeId() == QMetaType::QString || stored.typeId() == QMetaType::LongLong ||
        stored.typeId() == QMetaType::Int) {
        bool ok = false;
        const qlonglong integer = stored.toLongLong(&ok);
        if (ok) {
            return integer;
        }
    }
    // "12.7" or a stored floating-point value: the fraction is dropped toward zero and values
    // beyond the 64-bit range hold the nearest bound.
    const std::optional<double> number = asDouble(stored);
    if (!number || std::isnan(*number)) {
        return 0;
    }
    constexpr auto lowest = std::numeric_limits<std::int64_t>::min();
    constexpr auto highest = std::numeric_limits<std::int64_t>::max();
    if (*number <= static_cast<double>(lowest)) {
        return lowest;
    }
    if (*number >= static_cast<double>(highest)) {
        return highest;
    }
    return static_cast<std::int64_t>(*number);
}

bool QtUserDefaults::boolForKey(std::string_view key) const {
    const QVariant stored = value(key);
    if (stored.typeId() == QMetaType::Bool) {
        return stored.toBool();
    }
    if (stored.typeId() == QMetaType::QString) {
        const QString text = stored.toString().trimmed();
        if (text.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0 ||
            text.compare(QStringLiteral("yes"), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    const std::optional<double> number = asDouble(stored);
    return number && !std::isnan(*number) && *number != 0.0;
}

void QtUserDefaults::setDouble(double value, std::string_view key) {
    store(key, value);
}

void QtUserDefaults::setInteger(std::int64_t value, std::string_view key) {
    store(key, static_cast<qlonglong>(value));
}

void QtUserDefaults::setBool(bool value, std::string_view key) {
    store(key, value);
}

bool QtUserDefaults::hasValue(std::string_view key) const {
    return settings->contains(keyString(key));
}

QByteArray QtUserDefaults::bytesForKey(std::string_view key) const {
    const QVariant stored = value(key);
    return stored.typeId() == QMetaType::QByteArray ? stored.toByteArray() : QByteArray();
}

void QtUserDefaults::setBytes(const QByteArray& value, std::string_view key) {
    store(key, value);
}

} // namespace scanbrook::platform
