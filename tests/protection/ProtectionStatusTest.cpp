// XProtect's data copies and scan settings, read from private copies of the simulated Mac
// changed through its controls.

#include "protection/ProtectionStatus.h"

#include "platform/MacPaths.h"
#include "platform/Process.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace scanbrook::protection {
namespace {

using Root = test::TempSimRoot;

std::string copyText(const std::optional<DataCopy>& copy) {
    if (!copy) {
        return "absent";
    }
    return copy->version.value_or("-") + (copy->modified ? "@" : "");
}

/// The status in one line, without times; the notes' codes last.
std::string describe(const ProtectionStatus& s) {
    const auto differ = dataVersionsDiffer(s);
    std::string text = s.remediatorVersion.value_or("-") + " " + copyText(s.active) + " " +
                       copyText(s.legacy) + " " + (differ ? (*differ ? "differ" : "same") : "-") +
                       " " + std::string(settingName(s.scans.launchScans)) + "/" +
                       std::string(settingName(s.scans.backgroundScans)) + " (" +
                       s.scans.unknownBecause + ")";
    for (const Note& note : protectionNotes(s)) {
        text += " " + std::string(note.code);
    }
    return text;
}

TEST(ProtectionStatus, ReadsBothDataCopiesAndTheScanSettings) {
    const auto dataCopy = [](const char* which, const char* version) {
        return [=](const Root& r) {
            const auto done =
                platform::runCommand("/bin/sh", {r.pathOf("/sim/data-copy.sh"), which, version});
            ASSERT_EQ(done.status, 0);
        };
    };
    const auto control = [](const char* name, std::string value) {
        return [=](const Root& r) { r.setControl(name, value); };
    };
    const std::string odd = "there is no xprotect tool (macOS 14 and earlier have none)";
    const std::string unexpected = "xprotect status did not say it in the expected form";
    const struct {
        const char* name;
        std::function<void(const Root&)> prepare;
        std::string status;
    } cases[] = {
        {"Stock", [](const Root&) {}, "151 5298@ 5298@ same enabled/enabled ()"},
        {"ActiveNewer", dataCopy("active", "5301"),
         "151 5301@ 5298@ differ enabled/enabled () data_versions_differ"},
        {"ActiveMissing", dataCopy("active", "remove"), "151 absent 5298@ - enabled/enabled ()"},
        {"BothMissing",
         [&](const Root& r) {
             dataCopy("active", "remove")(r);
             dataCopy("legacy", "remove")(r);
         },
         "151 absent absent - enabled/enabled ()"},
        {"NoVersion",
         [](const Root& r) {
             r.writeFile(std::string(mac::kXProtectLegacyData) + "/Contents/Info.plist", "no");
         },
         "151 5298@ -@ - enabled/enabled ()"},
        {"ScansDisabled",
         [&](const Root& r) {
             control("xprotect-tool.launch-scans", "disabled")(r);
             control("xprotect-tool.background-scans", "disabled\n")(r);
         },
         "151 5298@ 5298@ same disabled/disabled () background_scans_disabled "
         "launch_scans_disabled"},
        {"NoTool", [](const Root& r) { r.removeFile(mac::kXProtectTool); },
         "151 5298@ 5298@ same unknown/unknown (" + odd + ")"},
        {"ToolFails", control("xprotect-tool.status", "1"),
         "151 5298@ 5298@ same unknown/unknown (xprotect status exited with status 1)"},
        // Only the two known lines count, in any letter case; anything else is unknown.
        {"OddOutput",
         control("xprotect-tool.output", "Status:\n  BACKGROUND SCANS:  Enabled \nLaunch scans: "
                                         "on\nLaunch scans disabled\n"),
         "151 5298@ 5298@ same unknown/enabled (" + unexpected + ")"},
        {"NoRemediator", [](const Root& r) { r.removeFile(mac::kXProtectBundle); },
         "- 5298@ 5298@ same enabled/enabled ()"},
    };
    for (const auto& c : cases) {
        const Root root;
        c.prepare(root);
        const test::UsingPlatformRoot using_(root.path());
        EXPECT_EQ(describe(readProtectionStatus()), c.status) << c.name;
    }
}

TEST(ProtectionStatus, AToolThatHangsIsKilledAtItsTimeLimit) {
    const Root root;
    root.setControl("xprotect-tool.delay", "30");
    const platform::CommandResult result = platform::runCommandWithin(
        root.pathOf(mac::kXProtectTool), {"status"}, std::chrono::milliseconds(200));
    EXPECT_TRUE(result.timedOut);
    EXPECT_EQ(result.ending, platform::CommandResult::Ending::Signalled);
    EXPECT_EQ(result.status, SIGKILL);
    EXPECT_EQ(parseXProtectStatus(result).unknownBecause,
              "xprotect status did not answer within 5 seconds");
}

} // namespace
} // namespace scanbrook::protection
