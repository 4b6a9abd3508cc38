#pragma once

#include <QWidget>

#include <cstdint>

class QToolButton;

namespace scanbrook::platform {

/// A stand-alone up/down control holding an integer within a range, like a spin box without
/// its text. The value changes by `singleStep` on a click of either arrow (held down, it
/// repeats) or on the Up and Down keys, and stops at the bounds.
class StepperWidget : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(int singleStep READ singleStep WRITE setSingleStep)

public:
    explicit StepperWidget(QWidget* parent = nullptr);

    std::int64_t value() const { return current; }
    /// Holds the nearest bound when `value` lies outside the range; emits nothing.
    void setValue(std::int64_t value);

    int minimum() const { return lowest; }
    void setMinimum(int minimum);
    int maximum() const { return highest; }
    void setMaximum(int maximum);
    int singleStep() const { return step; }
    void setSingleStep(int singleStep) { step = singleStep; }

    QSize sizeHint() const override;

Q_SIGNALS:
    /// The user changed the value.
    void valueStepped(std::int64_t value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void stepBy(int steps);

    QToolButton* upButton;
    QToolButton* downButton;
    std::int64_t current = 1;
    int lowest = 1;
    int highest = 30;
    int step = 1;
};

} // namespace scanbrook::platform
