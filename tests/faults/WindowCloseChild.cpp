// The application as its process entry builds it, with a user who presses check and run 50
// times in quick succession and closes the window while much of that work still runs; after
// half of the presses the log tool stops answering for an hour. Started by WindowCloseTest as
// `faults_window_close_child STDERR_FILE`: standard error goes to the file, so that the tools
// left running do not hold the test runner's output open.

#include "app/MainWindow.h"
#include "app/ScanbrookApplication.h"
#include "platform/Paths.h"

#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

int main(int argc, char* argv[]) {
    using namespace scanbrook;
    if (argc != 2 || std::freopen(argv[1], "w", stderr) == nullptr) {
        return 2;
    }
    // An exit that waits for the work after all fails the test within a minute.
    std::thread([] {
        std::this_thread::sleep_for(std::chrono::seconds(60));
        std::_Exit(4);
    }).detach();
    ScanbrookApplication application(argc, argv);
    MainWindow& window = application.window();
    auto* check = window.findChild<QPushButton*>(QStringLiteral("checkButton"));
    auto* run = window.findChild<QPushButton*>(QStringLiteral("runButton"));
    if (check == nullptr || run == nullptr) {
        return 3;
    }
    // One press every few milliseconds, the event loop (and the completions ready) in between.
    int presses = 0;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, &window, [&] {
        if (presses == 25) {
            std::ofstream(platform::platformRoot() + "/sim/control/log.delay") << "3600";
        }
        if (presses++ == 50) {
            user.stop();
            window.close();
        } else {
            (presses % 3 == 0 ? run : check)->click();
        }
    });
    user.start(5);

    const int status = application.run();
    std::puts("event loop ended");
    std::fflush(stdout);
    return status;
}
