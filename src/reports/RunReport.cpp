#include "reports/RunReport.h"

#include "reports/ReportTexts.h"

namespace scanbrook::reports {

bool runCompleted(const platform::CommandResult& result) {
    return result.ending == platform::CommandResult::Ending::Exited && result.status == 0;
}

std::string runReportText(const platform::CommandResult& result) {
    if (runCompleted(result)) {
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
