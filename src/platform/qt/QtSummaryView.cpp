#include "platform/qt/QtSummaryView.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QBoxLayout>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QSignalBlocker>
#include <QTableWidget>

namespace scanbrook::platform {

namespace {

enum Column { kName, kStatus, kWarnings, kRuns, kLastRun, kLastResult, kColumns };

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QTableWidgetItem* item(const QVariant& value) {
    auto* cell = new QTableWidgetItem;
    // The value itself, not its text: runs sort as numbers.
    cell->setData(Qt::DisplayRole, value);
    cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return cell;
}

/// A status cell sorts by how grave the status is, not by its name.
class StatusItem final : public QTableWidgetItem {
public:
    StatusItem(const QString& status, int gravity) : QTableWidgetItem(status) {
        setData(Qt::UserRole, gravity);
        setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    }
    bool operator<(const QTableWidgetItem& other) const override {
        return data(Qt::UserRole).toInt() < other.data(Qt::UserRole).toInt();
    }
};

bool isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < 128;
}

} // namespace

QtSummaryView::QtSummaryView(QWidget* summaryPanel, QLabel* verdictLabel,
                             QTableWidget* scannerTable, QAbstractButton* toggleButton)
    : panel(summaryPanel), line(verdictLabel), table(scannerTable), toggle(toggleButton),
      protection(new QLabel(summaryPanel)) {
    table->setColumnCount(kColumns);
    table->setHorizontalHeaderLabels({QStringLiteral("Scanner"), QStringLiteral("Status"),
                                      QStringLiteral("Warnings"), QStringLiteral("Runs"),
                                      QStringLiteral("Last run"), QStringLiteral("Result")});
    table->verticalHeader()->hide();
    // Rows as tight as the text, so that a day's scanners fit without scrolling.
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    // Every column as wide as its text, the name never cut; the last takes what is left, and a
    // panel too narrow for them all scrolls rather than squeezing the names away.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    // The gravest first until the user clicks a header; equals keep the summary's name order.
    table->horizontalHeader()->setSortIndicator(kStatus, Qt::DescendingOrder);
    table->setSortingEnabled(true);
    table->setAccessibleDescription(
        QStringLiteral("Each scanner's gravest result in the period, warnings, runs, last run and "
                       "last result; double-click a scanner to select its lines in the report"));
    QObject::connect(table, &QTableWidget::cellDoubleClicked, table, [this](int row, int) {
        const QTableWidgetItem* name = table->item(row, kName);
        if (activation && name != nullptr) {
            activation(name->text().toStdString());
        }
    });

    protection->setObjectName(QStringLiteral("summaryProtection"));
    protection->setAccessibleName(QStringLiteral("XProtect's data and settings"));
    protection->setWordWrap(true);
    protection->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    if (auto* layout = qobject_cast<QBoxLayout*>(panel->layout())) {
        layout->addWidget(protection);
    }
    clearSummary();
}

void QtSummaryView::showSummary(const SummaryDisplay& summary) {
    const QString verdict = fromUtf8(summary.verdictLine);
    if (verdict != line->text()) {
        line->setText(verdict);
        // The line's text is its accessible name: a new verdict is said without being asked.
        QAccessibleEvent changed(line, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
    applyTone(summary.tone);
    // Filled unsorted, then sorted once by the column chosen.
    table->setSortingEnabled(false);
    table->setRowCount(static_cast<int>(summary.rows.size()));
    for (int row = 0; row < static_cast<int>(summary.rows.size()); ++row) {
        const SummaryRow& scanner = summary.rows[static_cast<std::size_t>(row)];
        table->setItem(row, kName, item(fromUtf8(scanner.name)));
        table->setItem(row, kStatus, new StatusItem(fromUtf8(scanner.status), scanner.gravity));
        table->setItem(row, kWarnings, item(static_cast<qlonglong>(scanner.warnings)));
        table->setItem(row, kRuns, item(static_cast<qlonglong>(scanner.runs)));
        table->setItem(row, kLastRun, item(fromUtf8(scanner.lastRun)));
        table->setItem(row, kLastResult, item(fromUtf8(scanner.lastResult)));
    }
    table->setSortingEnabled(true);
    QStringList lines;
    for (const std::string& text : summary.protectionLines) {
        lines << fromUtf8(text);
    }
    protection->setText(lines.join(QLatin1Char('\n')));
}

void QtSummaryView::applyTone(SummaryTone tone) {
    QFont font = line->font();
    font.setBold(tone != SummaryTone::Plain);
    line->setFont(font);
    // A palette that sets nothing else: every other colour still follows the window's.
    QPalette own;
    if (tone != SummaryTone::Plain) {
        // Light enough to read on a dark window, dark enough on a light one.
        const bool dark = isDark(panel->palette());
        own.setColor(QPalette::WindowText,
                     tone == SummaryTone::Alarm
                         ? (dark ? QColor(0xff, 0x6b, 0x6b) : QColor(0xb0, 0x00, 0x20))
                         : (dark ? QColor(0xff, 0xc1, 0x4d) : QColor(0x8a, 0x55, 0x00)));
    }
    line->setPalette(own);
}

void QtSummaryView::clearSummary() {
    line->clear();
    applyTone(SummaryTone::Plain);
    table->setRowCount(0);
    protection->clear();
}

void QtSummaryView::setFontSize(double points) {
    QFont font = panel->font();
    font.setPointSizeF(points);
    table->setFont(font);
    protection->setFont(font);
    // The verdict keeps the weight its tone gave it.
    font.setBold(line->font().bold());
    line->setFont(font);
    table->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 6);
}

void QtSummaryView::setSummaryHidden(bool hidden) {
    panel->setHidden(hidden);
    const QSignalBlocker quiet(toggle);
    toggle->setChecked(!hidden);
}

void QtSummaryView::setScannerActivation(std::function<void(const std::string& name)> handler) {
    activation = std::move(handler);
}

} // namespace scanbrook::platform
