#include "app/ScanbrookApplication.h"

#include "app/AppMenus.h"
#include "app/ApplicationShell.h"
#include "app/MainWindow.h"
#include "platform/BuildInfo.h"
#include "platform/Paths.h"
#include "platform/qt/AppIdentity.h"
#include "platform/qt/MainQueue.h"

#include <QApplication>
#include <QIcon>

namespace scanbrook {

namespace {

std::unique_ptr<QApplication> makeQtApplication(int& argc, char** argv) {
    QCoreApplication::setOrganizationName(platform::organizationName());
    QCoreApplication::setOrganizationDomain(platform::organizationDomain());
    QCoreApplication::setApplicationName(platform::applicationName());
    QCoreApplication::setApplicationVersion(
        QString::fromUtf8(build::kVersion.data(), static_cast<qsizetype>(build::kVersion.size())));
    auto application = std::make_unique<QApplication>(argc, argv);
    // The window icon on Linux; a Mac bundle has its own, which this matches.
    QApplication::setWindowIcon(applicationIcon());
    // The controller ends the application when its window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    return application;
}

} // namespace

ScanbrookApplication::ScanbrookApplication(int& argc, char** argv)
    : qtApplication_(makeQtApplication(argc, argv)) {
    // Read once, before any worker thread could ask for it.
    platform::platformRoot();
    mainQueue_ = std::make_shared<platform::MainQueue>();
    window_ = std::make_unique<MainWindow>(mainQueue_);
    shell_ = std::make_unique<ApplicationShell>(*window_, mainQueue_);
}

ScanbrookApplication::~ScanbrookApplication() {
    // Work may still be running on the controller's queue: a check waiting for the log tool or
    // a scan run that takes minutes. Nothing waits for it: its completion finds the main queue
    // closed and the controller gone, and its thread ends with the process.
    mainQueue_->close();
    shell_.reset();
    window_.reset();
}

int ScanbrookApplication::run() {
    window_->show();
    shell_->scheduleLaunchChecks();
    return QApplication::exec();
}

} // namespace scanbrook
