#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <future>
#include <set>
#include <string>
#include <vector>

namespace scanbrook::test {
namespace {

using Ending = platform::CommandResult::Ending;

/// Runs on a fixed clock, so that the made-up history is the same before and after a scan run
/// and only the run's own events are new.
class SimXProtect : public SimToolTest {
protected:
    void SetUp() override {
        root.setControl("now", std::to_string(kFixedNowSeconds));
        root.setControl("xprotect.duration", "0.2");
    }

    platform::CommandResult runXProtect() const { return run(mac::kXProtectExecutable); }

    /// The day's query, asked a minute after the fixed moment.
    std::vector<JsonEntry> queryAMinuteLater() {
        root.setControl("now", std::to_string(kFixedNowSeconds + 60));
        const auto result = runLog(checkQuery(1));
        root.setControl("now", std::to_string(kFixedNowSeconds));
        EXPECT_EQ(result.status, 0);
        auto entries = parseEntries(result.output);
        EXPECT_TRUE(entries.has_value());
        return entries.value_or(std::vector<JsonEntry>{});
    }

    /// The entries logged after the fixed moment, where only scan runs can put them.
    static std::vector<JsonEntry> newEntries(const std::vector<JsonEntry>& entries) {
        std::vector<JsonEntry> result;
        for (const auto& entry : entries) {
            if (timestampMicros(entry.timestamp).value_or(0) > kFixedNowSeconds * 1000000) {
                result.push_back(entry);
            }
        }
        return result;
    }
};

class SimXProtectStore : public SimXProtect, public ::testing::WithParamInterface<bool> {};

TEST_P(SimXProtectStore, ARunAddsOneEventPerScannerThatALaterQueryShows) {
    if (!GetParam()) {
        root.removeFile("/sim/store/events.tsv");
    }
    const auto before = queryAMinuteLater();
    ASSERT_TRUE(newEntries(before).empty());

    const auto result = runXProtect();
    EXPECT_EQ(result.ending, Ending::Exited);
    EXPECT_EQ(result.status, 0);

    const auto after = queryAMinuteLater();
    EXPECT_EQ(after.size(), before.size() + 23);
    const auto added = newEntries(after);
    std::set<std::string> senders;
    for (const auto& entry : added) {
        senders.insert(entry.senderImagePath);
        EXPECT_NE(entry.eventMessage.find("\"status_code\":0,"), std::string::npos);
        EXPECT_EQ(entry.memberCount, 22u);
    }
    EXPECT_EQ(added.size(), 23u);
    EXPECT_EQ(senders.size(), 23u) << "one event per scanner";
}

INSTANTIATE_TEST_SUITE_P(StorePresentOrNot, SimXProtectStore, ::testing::Bool());

TEST_F(SimXProtect, TwoRunsAtOnceKeepEveryEvent) {
    auto first = std::async(std::launch::async, [this] { return runXProtect(); });
    auto second = std::async(std::launch::async, [this] { return runXProtect(); });
    EXPECT_EQ(first.get().status, 0);
    EXPECT_EQ(second.get().status, 0);

    const auto added = newEntries(queryAMinuteLater());
    EXPECT_EQ(added.size(), 46u);
}

TEST_F(SimXProtect, TheStatusControlSetsTheExitStatus) {
    root.setControl("xprotect.status", "3");
    const auto result = runXProtect();
    EXPECT_EQ(result.ending, Ending::Exited);
    EXPECT_EQ(result.status, 3);
}

} // namespace
} // namespace scanbrook::test
