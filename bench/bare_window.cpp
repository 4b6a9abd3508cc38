// bare_window: the reference for the launch benchmark — a bare Qt program that shows an empty
// QMainWindow and quits once it has been painted. When SCANBROOK_BENCH_MARKER names a file, the
// moment of that first paint (CLOCK_MONOTONIC nanoseconds) is written there, so that the
// launch benchmark can time both programs up to the same point.
#include "Marker.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

class FirstPaint final : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted) {
            painted = true;
            writeBenchMarkerNow();
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool painted = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(700, 500);
    FirstPaint firstPaint;
    window.installEventFilter(&firstPaint);
    window.show();
    return QApplication::exec();
}
