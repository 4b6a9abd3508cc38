#include "reports/RunReport.h"

#include "reports/ReportTexts.h"

namespace scanbrook::reports {

std::string runReportText(const platform::CommandResult& result) {
    if (result.ending == platform::CommandResult::Ending::Exited && result.status == 0) {
        return std::string(kRunCompletionNotice);
    }
    std::string text = runErrorText(result.status);
    if (!result.started()) {
        text += result.startFailureText();
        text += '\n';
    }
    return text;
}

} // namespace scanbrook::reports
