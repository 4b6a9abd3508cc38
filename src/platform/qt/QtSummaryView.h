#pragma once

#include "platform/Ui.h"

class QAbstractButton;
class QLabel;
class QTableWidget;
class QWidget;

namespace scanbrook::platform {

/// The scan summary over a label (the verdict line), a table of the scanners that sorts when
/// its header is clicked (gravest status first until then), a label below it for XProtect's
/// data and settings, the panel that holds them, and the checkable button that toggles the
/// panel. The widgets must outlive the adapter. Only the verdict line gets a colour of its own
/// when something is wrong, chosen to read on the palette's window colour, light or dark.
class QtSummaryView final : public SummaryView {
public:
    QtSummaryView(QWidget* panel, QLabel* line, QTableWidget* table, QAbstractButton* toggle);

    void showSummary(const SummaryDisplay& summary) override;
    void clearSummary() override;
    void setSummaryHidden(bool hidden) override;
    void setScannerActivation(std::function<void(const std::string& name)> handler) override;

    /// The label under the table, for tests and layout.
    QLabel* protectionLabel() const { return protection; }

    void setFontSize(double points) override;

private:
    void applyTone(SummaryTone tone);

    QWidget* panel;
    QLabel* line;
    QTableWidget* table;
    QAbstractButton* toggle;
    QLabel* protection;
    std::function<void(const std::string&)> activation;
};

} // namespace scanbrook::platform
