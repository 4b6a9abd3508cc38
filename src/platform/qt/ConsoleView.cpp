#include "platform/qt/ConsoleView.h"

#include <QEvent>

namespace scanbrook::platform {

ConsoleView::ConsoleView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Reports are replaced, never edited: keeping undo steps would only hold old reports.
    setUndoRedoEnabled(false);
}

void ConsoleView::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        viewport()->update();
    }
}

} // namespace scanbrook::platform
