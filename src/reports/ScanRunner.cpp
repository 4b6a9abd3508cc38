#include "reports/ScanRunner.h"

#include "platform/MacPaths.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "reports/RunReport.h"

namespace scanbrook::reports {

std::string xprotectExecutablePath() {
    return platform::platformPath(mac::kXProtectExecutable);
}

bool xprotectInstalled() {
    return platform::fileExists(xprotectExecutablePath());
}

std::string notInstalledText() {
    return "XProtect Remediator is not installed: no file at " + xprotectExecutablePath();
}

RunOutcome runXProtectScans() {
    // What the scanner prints is read to its end (so it never blocks on a full pipe) and
    // dropped: the user sees its results through the next check.
    const platform::CommandResult result = platform::runCommand(xprotectExecutablePath(), {});
    return {runReportText(result), runCompleted(result)};
}

} // namespace scanbrook::reports
