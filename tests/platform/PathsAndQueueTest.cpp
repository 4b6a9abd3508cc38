#include "platform/OperationQueue.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace scanbrook::platform {
namespace {

struct RootCase {
    const char* value; // null: the variable is unset
    const char* expected;
};

class PlatformRoot : public ::testing::TestWithParam<RootCase> {};

TEST_P(PlatformRoot, IsAbsoluteWithoutTrailingSlash) {
    EXPECT_EQ(normalisePlatformRoot(GetParam().value, "/work/here"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rules, PlatformRoot,
                         ::testing::Values(RootCase{nullptr, ""}, RootCase{"", ""},
                                           RootCase{"/", ""}, RootCase{"/sim", "/sim"},
                                           RootCase{"/sim/", "/sim"}, RootCase{"/sim//", "/sim"},
                                           RootCase{"sim", "/work/here/sim"},
                                           RootCase{"sim/root/", "/work/here/sim/root"},
                                           RootCase{"./sim", "/work/here/./sim"}));

TEST(PlatformPath, GoesUnderTheRootOnlyWhenOneIsSet) {
    ::unsetenv(kPlatformRootVariable);
    reloadPlatformRoot();
    EXPECT_EQ(platformPath("/usr/bin/log"), "/usr/bin/log");

    ::setenv(kPlatformRootVariable, "/tmp/simulated/", 1);
    reloadPlatformRoot();
    EXPECT_EQ(platformRoot(), "/tmp/simulated");
    EXPECT_EQ(platformPath("/usr/bin/log"), "/tmp/simulated/usr/bin/log");
    EXPECT_EQ(platformPath("/var/db/diagnostics/Persist"),
              "/tmp/simulated/var/db/diagnostics/Persist");

    ::unsetenv(kPlatformRootVariable);
    reloadPlatformRoot();
}

/// Counts how many operations run at the same moment while holding them until released.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    int running = 0;
    int peak = 0;
    int finished = 0;
    bool open = false;

    void enterAndWait() {
        std::unique_lock lock(mutex);
        ++running;
        peak = std::max(peak, running);
        changed.notify_all();
        changed.wait(lock, [&] { return open; });
        --running;
        ++finished;
        changed.notify_all();
    }
    bool waitUntil(const std::function<bool()>& condition) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(20), condition);
    }
    void release() {
        const std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
};

TEST(OperationQueue, RunsAtMostEightAtOnceAndEventuallyAll) {
    auto gate = std::make_shared<Gate>();
    OperationQueue queue(8);
    EXPECT_EQ(queue.maxConcurrentOperationCount(), 8);
    for (int i = 0; i < 20; ++i) {
        queue.addOperation([gate] { gate->enterAndWait(); });
    }
    ASSERT_TRUE(gate->waitUntil([&] { return gate->running == 8; }));
    EXPECT_EQ(queue.operationCount(), 20);
    gate->release();
    ASSERT_TRUE(gate->waitUntil([&] { return gate->finished == 20; }));
    EXPECT_EQ(gate->peak, 8);
}

TEST(OperationQueue, DestroyingItDoesNotWaitForRunningWork) {
    auto gate = std::make_shared<Gate>();
    std::atomic<int> started{0};
    {
        OperationQueue queue(1);
        queue.addOperation([gate, &started] {
            ++started;
            gate->enterAndWait();
        });
        queue.addOperation([&started] { ++started; }); // waits behind the first, then dropped
        ASSERT_TRUE(gate->waitUntil([&] { return gate->running == 1; }));
    } // would hang here if the queue joined its threads
    gate->release();
    ASSERT_TRUE(gate->waitUntil([&] { return gate->finished == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(started.load(), 1);
}

TEST(OperationQueue, AnOperationThatThrowsDoesNotStopTheQueue) {
    auto gate = std::make_shared<Gate>();
    OperationQueue queue(1);
    queue.addOperation([] { throw std::runtime_error("boom"); });
    queue.addOperation([gate] { gate->enterAndWait(); });
    gate->release();
    EXPECT_TRUE(gate->waitUntil([&] { return gate->finished == 1; }));
}

} // namespace
} // namespace scanbrook::platform
