#pragma once

#include "platform/Ui.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <map>
#include <string>
#include <vector>

class QAbstractButton;
class QAction;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

/// The Qt widgets behind the window's user-interface operations. Each adapter refers to a
/// widget it does not own; the widget must outlive it.
namespace scanbrook::platform {

class BusyIndicator;
class StepperWidget;

class QtTextField final : public TextField {
public:
    explicit QtTextField(QLineEdit* lineEdit) : edit(lineEdit) {}
    std::string stringValue() const override;
    void setStringValue(std::string_view text) override;

private:
    QLineEdit* edit;
};

class QtStepper final : public Stepper {
public:
    explicit QtStepper(StepperWidget* stepperWidget) : stepper(stepperWidget) {}
    std::int64_t integerValue() const override;
    void setIntegerValue(std::int64_t value) override;

private:
    StepperWidget* stepper;
};

/// The console over a QPlainTextEdit, in the system's fixed-pitch font with colour emoji:
/// every character carries the font, none carries a colour.
class QtConsole final : public Console {
public:
    explicit QtConsole(QPlainTextEdit* textEdit) : edit(textEdit) {}
    void replaceText(std::string_view utf8, double fontSize) override;
    void appendText(std::string_view utf8, double fontSize) override;
    void refont(double fontSize) override;
    std::string plainText() const override;
    void selectLine(std::size_t line) override;
    void scrollToEnd() override;

private:
    QPlainTextEdit* edit;
    /// The text exactly as written. Qt's document turns "\r\n", "\r" and U+2028 into paragraph
    /// breaks and U+00A0 into a space on the way out, so the characters are kept here too.
    std::string written;
};

/// The progress line over a label, asked for its text four times a second while shown.
class QtProgressLine final : public ProgressLine {
public:
    explicit QtProgressLine(QLabel* label);
    void showProgress(std::function<std::string()> text) override;
    void hideProgress() override;

private:
    void refresh();

    QLabel* label;
    QTimer timer;
    std::function<std::string()> currentText;
};

class QtSpinner final : public Spinner {
public:
    explicit QtSpinner(BusyIndicator* indicator) : spinner(indicator) {}
    void setHidden(bool hidden) override;
    void setUsesThreadedAnimation(bool threaded) override;
    void startAnimation() override;
    void stopAnimation() override;

private:
    BusyIndicator* spinner;
};

/// A top-level widget as the controller's window: its close requests go to the delegate.
class QtWindow final : public QObject, public Window {
public:
    explicit QtWindow(QWidget* topLevel);
    void setDelegate(WindowDelegate* windowDelegate) override { delegate = windowDelegate; }
    void setTitle(std::string_view title) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window;
    WindowDelegate* delegate = nullptr;
};

/// Each command's button and menu item, enabled and disabled together.
class QtCommandStates final : public CommandStates {
public:
    /// `button` may be null; the objects must outlive the adapter.
    void add(WindowCommand command, QAction* action, QAbstractButton* button);
    void setCommandEnabled(WindowCommand command, bool enabled) override;

private:
    std::map<WindowCommand, std::pair<QAction*, QAbstractButton*>> controls;
};

/// The notice line over a label and a button in a bar that is hidden while there is no notice.
/// Screen readers are told of each new notice.
class QtNoticeLine final : public QObject, public NoticeLine {
public:
    QtNoticeLine(QWidget* bar, QLabel* label, QAbstractButton* button);
    void showNotice(std::string_view text, std::string_view actionTitle = {},
                    std::function<void()> action = nullptr) override;
    void hideNotice() override;

private:
    QWidget* bar;
    QLabel* label;
    QAbstractButton* button;
    std::function<void()> currentAction;
};

/// Ends the running QApplication once control is back in its event loop.
class QtApplication final : public Application {
public:
    void terminate() override;
};

/// A file dialog for saving, shown without blocking and without a sheet.
class QtSavePanel final : public SavePanel {
public:
    /// `over` is the window the panel is placed over; it may be null.
    explicit QtSavePanel(QWidget* over = nullptr) : parent(over) {}
    void begin(const SaveRequest& request,
               std::function<void(std::optional<std::string> path)> completion) override;

private:
    QPointer<QWidget> parent;
};

} // namespace scanbrook::platform
