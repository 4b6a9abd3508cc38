#include "platform/qt/QtUi.h"

#include "platform/Text.h"
#include "platform/qt/BusyIndicator.h"
#include "platform/qt/DesktopConventions.h"
#include "platform/qt/StepperWidget.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <utility>

namespace scanbrook::platform {

namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The size actually handed to Qt: a stored size may be anything, and an absurd one would make
// the text layout hang; the controller keeps its own value regardless.
constexpr double kSmallestPointSize = 1.0;
constexpr double kLargestPointSize = 400.0;

constexpr QChar kEmojiPresentationSelector(0xFE0F);

QFont consoleFont(double fontSize) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // The fixed-pitch fonts have no colour emoji, and the fallback Qt picks may draw them in
    // black and white, so the colour font comes next. The system font's family may be an
    // alias ("monospace"), which Qt does not look up as the first of several families: the
    // family it stands for is named instead.
    font.setFamilies({QFontInfo(font).family(), colourEmojiFamily()});
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    const double size = fontSize >= kSmallestPointSize ? fontSize : kSmallestPointSize;
    font.setPointSizeF(size <= kLargestPointSize ? size : kLargestPointSize);
    return font;
}

// Only the font: the foreground stays unset, so the text is drawn in the palette's text
// colour of the moment. Of the font, only what differs from Qt's defaults is set (families and
// size; the weight is regular and the style upright by default): every property a character
// carries is compared and rebuilt for each run of text when the console is re-fonted.
QTextCharFormat fontOnly(const QFont& font) {
    QTextCharFormat format;
    format.setFontFamilies(font.families());
    format.setFontPointSize(font.pointSizeF());
    return format;
}

// A character followed by VARIATION SELECTOR-16 asks to be drawn as an emoji. The fixed-pitch
// font may have a black-and-white glyph of its own for it (the warning sign, for one), so such
// a character takes the colour font first. Looks at the document from `from` on.
void markEmojiPresentation(QTextDocument& document, int from, const QFont& font) {
    QTextCharFormat emoji;
    emoji.setFontFamilies(QStringList{colourEmojiFamily(), font.families().value(0)});
    QTextCursor found(&document);
    found.setPosition(from);
    QTextCursor run(&document);
    run.beginEditBlock();
    while (!(found = document.find(QString(kEmojiPresentationSelector), found)).isNull()) {
        const int selector = found.selectionStart();
        int base = selector > 0 ? selector - 1 : selector;
        if (base > 0 && document.characterAt(base).isLowSurrogate() &&
            document.characterAt(base - 1).isHighSurrogate()) {
            --base;
        }
        run.setPosition(base);
        run.setPosition(selector + 1, QTextCursor::KeepAnchor);
        run.mergeCharFormat(emoji);
    }
    run.endEditBlock();
}

// The text as the console holds it: valid UTF-8, with anything else decoded the way Qt shows it.
std::string sanitised(std::string_view utf8) {
    if (isValidUtf8(utf8)) {
        return std::string(utf8);
    }
    return fromUtf8(utf8).toStdString();
}

} // namespace

std::string QtTextField::stringValue() const {
    return edit->text().toStdString();
}

void QtTextField::setStringValue(std::string_view text) {
    edit->setText(fromUtf8(text));
}

std::int64_t QtStepper::integerValue() const {
    return stepper->value();
}

void QtStepper::setIntegerValue(std::int64_t value) {
    stepper->setValue(value);
}

void QtConsole::replaceText(std::string_view utf8, double fontSize) {
    written = sanitised(utf8);
    const QString text = fromUtf8(utf8);
    const QFont font = consoleFont(fontSize);
    // setPlainText gives the whole new text the current character format in one batch, which
    // is about twice as fast as formatting it again afterwards.
    edit->setCurrentCharFormat(fontOnly(font));
    edit->setPlainText(text);
    if (text.contains(kEmojiPresentationSelector)) {
        markEmojiPresentation(*edit->document(), 0, font);
    }
    // The document's default font follows the widget's; an empty console has the size too.
    edit->setFont(font);
}

void QtConsole::appendText(std::string_view utf8, double fontSize) {
    written += sanitised(utf8);
    const QString text = fromUtf8(utf8);
    const QFont font = consoleFont(fontSize);
    // Not appendPlainText: that starts a new paragraph, and the text must go in exactly as given.
    QTextCursor cursor(edit->document());
    cursor.movePosition(QTextCursor::End);
    const int start = cursor.position();
    cursor.insertText(text, fontOnly(font));
    if (text.contains(kEmojiPresentationSelector)) {
        markEmojiPresentation(*edit->document(), start, font);
    }
    edit->setFont(font);
}

void QtConsole::refont(double fontSize) {
    const QFont font = consoleFont(fontSize);
    edit->setFont(font);
    // Console fonts differ in their size only (emoji keep their colour font first), so the size
    // is all that changes: in one change over the whole document, merged so that every other
    // property stays. The view lays the text out again once, at the end of the edit block.
    QTextCharFormat size;
    size.setFontPointSize(font.pointSizeF());
    QTextCursor cursor(edit->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.mergeCharFormat(size);
    cursor.endEditBlock();
}

std::string QtConsole::plainText() const {
    return written;
}

void QtConsole::selectLine(std::size_t line) {
    // The report's lines end in "\n" only, so each is one block of the document.
    const QTextBlock block = edit->document()->findBlockByNumber(static_cast<int>(line));
    if (!block.isValid()) {
        return;
    }
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
    edit->centerCursor();
}

void QtConsole::scrollToEnd() {
    QScrollBar* bar = edit->verticalScrollBar();
    bar->setValue(bar->maximum());
    // Again once the window has laid itself out afresh: a line shown below the console just now
    // makes it shorter, and the end would slip out of view.
    QTimer::singleShot(0, bar, [bar] { bar->setValue(bar->maximum()); });
}

void QtCommandStates::add(WindowCommand command, QAction* action, QAbstractButton* button) {
    controls[command] = {action, button};
}

void QtCommandStates::setCommandEnabled(WindowCommand command, bool enabled) {
    const auto found = controls.find(command);
    if (found == controls.end()) {
        return;
    }
    auto [action, button] = found->second;
    if (action != nullptr) {
        action->setEnabled(enabled);
    }
    if (button != nullptr) {
        button->setEnabled(enabled);
    }
}

QtNoticeLine::QtNoticeLine(QWidget* noticeBar, QLabel* noticeLabel, QAbstractButton* actionButton)
    : bar(noticeBar), label(noticeLabel), button(actionButton) {
    QObject::connect(button, &QAbstractButton::clicked, this, [this] {
        // Hidden first: the action may show a notice of its own.
        const std::function<void()> action = std::move(currentAction);
        hideNotice();
        if (action) {
            action();
        }
    });
    hideNotice();
}

void QtNoticeLine::showNotice(std::string_view text, std::string_view actionTitle,
                              std::function<void()> action) {
    label->setText(fromUtf8(text));
    currentAction = std::move(action);
    button->setText(fromUtf8(actionTitle));
    button->setVisible(!actionTitle.empty());
    bar->show();
    // A notice answers what the user just did: screen readers say it without being asked.
    QAccessibleEvent changed(label, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void QtNoticeLine::hideNotice() {
    currentAction = nullptr;
    label->clear();
    bar->hide();
}

QtProgressLine::QtProgressLine(QLabel* progressLabel) : label(progressLabel) {
    // Four times a second: often enough to look alive, seldom enough to be read.
    timer.setInterval(250);
    QObject::connect(&timer, &QTimer::timeout, label, [this] { refresh(); });
    label->hide();
}

void QtProgressLine::showProgress(std::function<std::string()> text) {
    currentText = std::move(text);
    refresh();
    timer.start();
}

void QtProgressLine::hideProgress() {
    timer.stop();
    currentText = nullptr;
    label->clear();
    label->hide();
}

void QtProgressLine::refresh() {
    const std::string text = currentText ? currentText() : std::string();
    label->setText(fromUtf8(text));
    label->setVisible(!text.empty());
}

void QtSpinner::setHidden(bool hidden) {
    spinner->setHidden(hidden);
}

void QtSpinner::setUsesThreadedAnimation(bool) {
    // The indicator is drawn by a timer on the main thread; there is nothing to choose.
}

void QtSpinner::startAnimation() {
    spinner->startAnimation();
}

void QtSpinner::stopAnimation() {
    spinner->stopAnimation();
}

QtWindow::QtWindow(QWidget* topLevel) : window(topLevel) {
    window->installEventFilter(this);
}

void QtWindow::setTitle(std::string_view title) {
    window->setWindowTitle(fromUtf8(title));
}

bool QtWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window && event->type() == QEvent::Close && delegate != nullptr &&
        !delegate->windowShouldClose()) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void QtApplication::terminate() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        // Queued: quitting inside the handler that asked for it would end the event loop
        // before that handler has returned.
        QMetaObject::invokeMethod(
            app, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    }
}

void QtSavePanel::begin(const SaveRequest& request,
                        std::function<void(std::optional<std::string> path)> completion) {
    auto* dialog = new QFileDialog(parent.data());
    // Free-standing: a window-modal dialog with a parent would become a sheet on macOS, and
    // the main window stays usable while the panel is open.
    dialog->setWindowModality(Qt::NonModal);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::ReadOnly, !request.canCreateDirectories);
    if (!request.allowedFileTypes.empty()) {
        QStringList patterns;
        for (const std::string& type : request.allowedFileTypes) {
            patterns.append(QStringLiteral("*.") + fromUtf8(type));
        }
        dialog->setNameFilter(QCoreApplication::translate("QtSavePanel", "Text") +
                              QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                              QStringLiteral(")"));
        dialog->setDefaultSuffix(fromUtf8(request.allowedFileTypes.front()));
    }
    // Reports are documents: the panel starts in the user's Documents folder.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty()) {
        dialog->setDirectory(documents);
    }
    dialog->selectFile(fromUtf8(request.defaultName));
    QObject::connect(
        dialog, &QDialog::finished, dialog, [dialog, done = std::move(completion)](int result) {
            std::optional<std::string> path;
            const QStringList files = dialog->selectedFiles();
            if (result == QDialog::Accepted && !files.isEmpty() && !files.front().isEmpty()) {
                path = QFile::encodeName(files.front()).toStdString();
            }
            dialog->deleteLater();
            if (done) {
                done(std::move(path));
            }
        });
    dialog->show();
}

} // namespace scanbrook::platform
