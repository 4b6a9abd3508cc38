#include "platform/qt/StepperWidget.h"

#include <QKeyEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace scanbrook::platform {

namespace {

QToolButton* makeArrowButton(Qt::ArrowType arrow, const QString& name, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    // The stepper itself takes the keyboard focus; the arrows are for the mouse.
    button->setFocusPolicy(Qt::NoFocus);
    button->setAccessibleName(name);
    // Half the height of a line edit each, so that the pair stands beside one.
    button->setFixedSize(18, 12);
    return button;
}

} // namespace

StepperWidget::StepperWidget(QWidget* parent)
    : QWidget(parent), upButton(makeArrowButton(Qt::UpArrow, tr("Increase"), this)),
      downButton(makeArrowButton(Qt::DownArrow, tr("Decrease"), this)) {
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(upButton);
    layout->addWidget(downButton);
    connect(upButton, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(downButton, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void StepperWidget::setValue(std::int64_t value) {
    current = std::clamp<std::int64_t>(value, lowest, std::max(lowest, highest));
}

void StepperWidget::setMinimum(int minimum) {
    lowest = minimum;
    setValue(current);
}

void StepperWidget::setMaximum(int maximum) {
    highest = maximum;
    setValue(current);
}

QSize StepperWidget::sizeHint() const {
    return {20, 26};
}

void StepperWidget::stepBy(int steps) {
    const std::int64_t before = current;
    setValue(current + std::int64_t{steps} * step);
    if (current != before) {
        Q_EMIT valueStepped(current);
    }
}

void StepperWidget::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
        stepBy(1);
        break;
    case Qt::Key_Down:
        stepBy(-1);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void StepperWidget::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!hasFocus()) {
        return;
    }
    // The arrows never take the focus, so the stepper shows it around them.
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

} // namespace scanbrook::platform
