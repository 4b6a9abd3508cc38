#pragma once

#include "app/MainWindow.h"
#include "platform/qt/MainQueue.h"
#include "support/SimRoot.h"

#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace scanbrook::test {

/// The user's settings in a folder of the test's own: XDG_CONFIG_HOME points there, and since
/// Qt reads that variable only once per process, QSettings is told the folder as well.
class SettingsFolder {
public:
    SettingsFolder() : environment("XDG_CONFIG_HOME", folder.path()) {
        for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
            QSettings::setPath(format, QSettings::UserScope, QString::fromStdString(folder.path()));
        }
    }

    /// Replaces the application's settings file with `ini`, as a person editing it would.
    void writeSettingsFile(std::string_view ini) const { writeFile(file, ini); }
    /// The settings file read afresh, as another program would see it.
    std::unique_ptr<QSettings> reopen() const {
        return std::make_unique<QSettings>(QString::fromStdString(file), QSettings::IniFormat);
    }

private:
    TempFolder folder{"scanbrook-qt"};
    std::string file = folder.file("Scanbrook/Scanbrook.conf"); // where it belongs on Linux
    ScopedEnvironment environment;
};

/// The real window built from MainWindow.ui on a platform root, with settings of its own; it
/// goes before its main queue closes, as in the application.
class WindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        window.reset();
        if (mainQueue) {
            mainQueue->close();
        }
    }

    /// Builds and shows the window; settings written before are what it loads.
    void open(const std::string& root) {
        usingRoot.emplace(root);
        mainQueue = std::make_shared<platform::MainQueue>();
        window = std::make_unique<MainWindow>(mainQueue);
        window->show();
    }

    template <typename Widget> Widget* child(const char* name) const {
        auto* widget = window->findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << "MainWindow.ui has no " << name;
        return widget;
    }
    void press(const char* button) const {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }

    SettingsFolder settings;
    std::optional<UsingPlatformRoot> usingRoot;
    std::shared_ptr<platform::MainQueue> mainQueue;
    std::unique_ptr<MainWindow> window;
};

} // namespace scanbrook::test
