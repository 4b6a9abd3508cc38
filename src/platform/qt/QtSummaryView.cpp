#include "platform/qt/QtSummaryView.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QSignalBlocker>
#include <QTableWidget>

namespace scanbrook::platform {

namespace {

enum Column { kName, kRuns, kLastRun, kLastResult, kColumns };

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

} // namespace

QtSummaryView::QtSummaryView(QWidget* summaryPanel, QLabel* verdictLabel,
                             QTableWidget* scannerTable, QAbstractButton* toggleButton)
    : panel(summaryPanel), line(verdictLabel), table(scannerTable), toggle(toggleButton) {
    table->setColumnCount(kColumns);
    table->setHorizontalHeaderLabels({QStringLiteral("Scanner"), QStringLiteral("Runs"),
                                      QStringLiteral("Last run"), QStringLiteral("Result")});
    table->verticalHeader()->hide();
    // Rows as tight as the text, so that a day's scanners fit without scrolling.
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    // The name takes what the other columns leave, so the table fits its panel's width.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setSectionResizeMode(kName, QHeaderView::Stretch);
    // No column chosen yet: the rows keep the summary's own order (by name) until the user
    // clicks a header.
    table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    table->setSortingEnabled(true);
    clearSummary();
}

void QtSummaryView::showSummary(std::string_view verdictLine, const std::vector<SummaryRow>& rows) {
    const QString verdict = fromUtf8(verdictLine);
    if (verdict != line->text()) {
        line->setText(verdict);
        // The line's text is its accessible name: a new verdict is said without being asked.
        QAccessibleEvent changed(line, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
    // Filled unsorted, then sorted once by the column the user chose, if any.
    table->setSortingEnabled(false);
    table->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        const SummaryRow& scanner = rows[static_cast<std::size_t>(row)];
        table->setItem(row, kName, item(fromUtf8(scanner.name)));
        table->setItem(row, kRuns, item(static_cast<qlonglong>(scanner.runs)));
        table->setItem(row, kLastRun, item(fromUtf8(scanner.lastRun)));
        table->setItem(row, kLastResult, item(fromUtf8(scanner.lastResult)));
    }
    table->setSortingEnabled(true);
}

void QtSummaryView::clearSummary() {
    line->clear();
    table->setRowCount(0);
}

void QtSummaryView::setFontSize(double points) {
    QFont font = panel->font();
    font.setPointSizeF(points);
    line->setFont(font);
    table->setFont(font);
    table->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 6);
}

void QtSummaryView::setSummaryHidden(bool hidden) {
    panel->setHidden(hidden);
    const QSignalBlocker quiet(toggle);
    toggle->setChecked(!hidden);
}

} // namespace scanbrook::platform
