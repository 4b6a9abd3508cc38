// The simulated Mac's XProtect executable: a scan run of a few seconds that logs one event per
// XProtect Remediator scanner into the event store (see ../README.md for the controls).

#include "Common.h"
#include "Events.h"

#include <string>
#include <unistd.h>

namespace {

constexpr std::string_view kExecutable =
    "/Library/Apple/System/Library/CoreServices/XProtect.app/Contents/MacOS/XProtect";
constexpr double kDefaultDurationSeconds = 3.0;

} // namespace

int main(int /*argc*/, char** argv) {
    using namespace scanbrook::sim;
    const Controls controls("XProtect", findRoot("XProtect", kExecutable, argv[0]));
    const auto duration = controls.seconds("xprotect.duration").value_or(kDefaultDurationSeconds);
    const auto status = controls.integer("xprotect.status").value_or(0);
    const auto pause = duration / static_cast<double>(kScanners.size());
    // With a fixed clock ("now"), the run still moves forward in time from that moment.
    const auto clockOffset = currentTimeMicros(controls) - systemTimeMicros();

    Output out(std::nullopt);
    const auto firstProcessID = static_cast<std::uint32_t>(::getpid()) + 1;
    for (std::size_t index = 0; index < kScanners.size(); ++index) {
        sleepSeconds(pause);
        ScanEvent event;
        event.micros = systemTimeMicros() + clockOffset;
        event.scanner = kScanners[index];
        event.processID = firstProcessID + static_cast<std::uint32_t>(index);
        event.message = scanMessage(kScanners[index], Outcome::Clean, pause, false);
        if (!appendToStore(controls.root(), event)) {
            fail("XProtect",
                 "cannot append to the event store " + controls.root() + std::string(kStoreFile));
        }
        out.write(std::string(kScanners[index]) + ": NoThreatDetected\n");
    }
    out.finish();
    return static_cast<int>(status);
}
