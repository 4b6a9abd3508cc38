#pragma once

#include "support/SimRoot.h"

#include <QSettings>
#include <QString>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace scanbrook::test {

/// A new empty folder, removed with everything in it by the destructor.
class TempFolder {
public:
    TempFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
        pattern += "/scanbrook-qt-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
        }
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    QString qPath() const { return QString::fromStdString(path_); }

private:
    std::string path_;
};

/// The user's settings in a folder of the test's own: XDG_CONFIG_HOME points there, and since
/// Qt reads that variable only once per process, QSettings is told the folder as well.
class SettingsFolder {
public:
    SettingsFolder() : environment("XDG_CONFIG_HOME", folder.path()) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.qPath());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.qPath());
    }

    /// Where the application's settings file belongs on Linux.
    std::string settingsFile() const { return folder.path() + "/Scanbrook/Scanbrook.conf"; }

    /// Replaces the settings file with `ini`, as a person editing it would.
    void writeSettingsFile(std::string_view ini) const {
        std::filesystem::create_directories(folder.path() + "/Scanbrook");
        std::ofstream out(settingsFile(), std::ios::binary | std::ios::trunc);
        out << ini;
        if (!out) {
            throw std::runtime_error("cannot write " + settingsFile());
        }
    }

    /// The settings file read afresh, as another program would see it.
    std::unique_ptr<QSettings> reopen() const {
        return std::make_unique<QSettings>(QString::fromStdString(settingsFile()),
                                           QSettings::IniFormat);
    }

private:
    TempFolder folder;
    ScopedEnvironment environment;
};

} // namespace scanbrook::test
