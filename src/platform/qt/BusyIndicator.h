#pragma once

#include <QTimer>
#include <QWidget>

namespace scanbrook::platform {

/// A small indeterminate busy indicator: spokes turning around a centre. It keeps its place in
/// the layout while hidden, so that showing it moves nothing.
class BusyIndicator : public QWidget {
    Q_OBJECT

public:
    explicit BusyIndicator(QWidget* parent = nullptr);

    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return timer.isActive(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer timer;
    int phase = 0;
};

} // namespace scanbrook::platform
