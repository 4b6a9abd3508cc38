#pragma once

#include "platform/Ui.h"

class QAbstractButton;
class QLabel;
class QTableWidget;
class QWidget;

namespace scanbrook::platform {

/// The scan summary over a label (the verdict line), a table of the scanners that sorts when
/// its header is clicked, the panel that holds both, and the checkable button that toggles the
/// panel. The widgets must outlive the adapter; none gets a colour of its own, so the palette
/// (light or dark) decides.
class QtSummaryView final : public SummaryView {
public:
    QtSummaryView(QWidget* panel, QLabel* line, QTableWidget* table, QAbstractButton* toggle);

    void showSummary(std::string_view verdictLine, const std::vector<SummaryRow>& rows) override;
    void clearSummary() override;
    void setSummaryHidden(bool hidden) override;
    void setFontSize(double points) override;

private:
    QWidget* panel;
    QLabel* line;
    QTableWidget* table;
    QAbstractButton* toggle;
};

} // namespace scanbrook::platform
