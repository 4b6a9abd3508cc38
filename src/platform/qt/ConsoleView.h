#pragma once

#include <QPlainTextEdit>

namespace scanbrook::platform {

/// The output console's view: read-only text the user can select and copy. Its characters
/// carry no colour of their own, so they are drawn in the palette's text colour and follow a
/// switch between light and dark appearance.
class ConsoleView : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit ConsoleView(QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;
};

} // namespace scanbrook::platform
