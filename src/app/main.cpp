#include "app/ApplicationShell.h"
#include "app/MainWindow.h"
#include "platform/BuildInfo.h"
#include "platform/Paths.h"
#include "platform/qt/AppIdentity.h"
#include "platform/qt/MainQueue.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[]) {
    using namespace scanbrook;
    QCoreApplication::setOrganizationName(platform::organizationName());
    QCoreApplication::setOrganizationDomain(platform::organizationDomain());
    QCoreApplication::setApplicationName(platform::applicationName());
    QCoreApplication::setApplicationVersion(
        QString::fromUtf8(build::kVersion.data(), static_cast<qsizetype>(build::kVersion.size())));
    QApplication app(argc, argv);
    // The controller ends the application when its window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    // Read once, before any worker thread could ask for it.
    platform::platformRoot();

    auto mainQueue = std::make_shared<platform::MainQueue>();
    auto window = std::make_unique<MainWindow>(mainQueue);
    auto shell = std::make_unique<ApplicationShell>(*window, mainQueue);
    window->show();
    shell->scheduleLaunchChecks();
    const int status = QApplication::exec();

    // Work may still be running on the controller's queue: a check waiting for the log tool or
    // a scan run that takes minutes. The exit does not wait for it. Its completion would find
    // the main queue closed and the controller gone, and the threads end with the process.
    mainQueue->close();
    shell.reset();
    window.reset();
    return status;
}
