#include "platform/qt/BusyIndicator.h"

#include <QPainter>

#include <algorithm>

namespace scanbrook::platform {

namespace {

constexpr int kSpokes = 12;
constexpr int kFrameMilliseconds = 80;

} // namespace

BusyIndicator::BusyIndicator(QWidget* parent) : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    policy.setRetainSizeWhenHidden(true);
    setSizePolicy(policy);
    timer.setInterval(kFrameMilliseconds);
    connect(&timer, &QTimer::timeout, this, [this] {
        phase = (phase + 1) % kSpokes;
        update();
    });
}

void BusyIndicator::startAnimation() {
    timer.start();
    update();
}

void BusyIndicator::stopAnimation() {
    timer.stop();
    update();
}

QSize BusyIndicator::sizeHint() const {
    return {20, 20};
}

void BusyIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);
    QColor colour = palette().color(QPalette::WindowText);
    QPen pen(colour, std::max(1.5, side / 10.0), Qt::SolidLine, Qt::RoundCap);
    for (int spoke = 0; spoke < kSpokes; ++spoke) {
        // The newest spoke is darkest; a stopped indicator shows all spokes alike.
        const int age = isAnimating() ? (phase - spoke + kSpokes) % kSpokes : kSpokes / 2;
        colour.setAlphaF(1.0 - 0.75 * age / kSpokes);
        pen.setColor(colour);
        painter.setPen(pen);
        painter.drawLine(QPointF(0, -side * 0.25), QPointF(0, -side * 0.45));
        painter.rotate(360.0 / kSpokes);
    }
}

} // namespace scanbrook::platform
