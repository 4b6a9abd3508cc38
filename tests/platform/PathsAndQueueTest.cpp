#include "platform/Files.h"
#include "platform/OperationQueue.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <new>
#include <thread>

#if defined(__linux__)
static std::atomic<int> renameFailure{0};

// This program's calls of rename() come here: the real rename, or the failure a test asks for.
extern "C" int rename(const char* from, const char* to) noexcept {
    if (const int error = renameFailure.exchange(0); error != 0) {
        errno = error;
        return -1;
    }
    return ::renameat(AT_FDCWD, from, AT_FDCWD, to);
}
#endif

namespace scanbrook::platform {
namespace {

#if defined(__linux__) // only ELF linking lets a program's rename() replace the C library's
TEST(ReplaceFile, AFailedRenameKeepsTheOldFileAndRemovesTheTemporaryOne) {
    const test::TempFolder folder;
    const std::string path = folder.file("summary.json");
    test::writeFile(path, "old");
    renameFailure = EXDEV;
    EXPECT_EQ(replaceFile(path, "new"), "could not write " + path +
                                            " (renaming the temporary file over it): Invalid "
                                            "cross-device link");
    EXPECT_EQ(test::readFile(path), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}
#endif

/// Holds the operations that enter until released, counting how many run at the same moment.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    int running = 0, peak = 0, finished = 0;
    bool open = false;

    void enterAndWait() {
        std::unique_lock lock(mutex);
        peak = std::max(peak, ++running);
        changed.notify_all();
        changed.wait(lock, [&] { return open; });
        --running;
        ++finished;
        changed.notify_all();
    }
    /// False when `condition` does not hold within 20 seconds.
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
    // The first throws: the queue goes on all the same.
    queue.addOperation([] { throw std::runtime_error("boom"); });
    for (int i = 0; i < 20; ++i) {
        queue.addOperation([gate] { gate->enterAndWait(); });
    }
    ASSERT_TRUE(gate->waitUntil([&] { return gate->running == 8; }));
    gate->release();
    ASSERT_TRUE(gate->waitUntil([&] { return gate->finished == 20; }));
    EXPECT_EQ(gate->peak, 8);
}

TEST(OperationQueue, WithoutAThreadHandsTheWorkToARunningWorkerOrRefusesIt) {
    auto gate = std::make_shared<Gate>();
    auto threads = std::make_shared<std::atomic<bool>>(true);
    OperationQueue queue(8, [threads](std::function<void()> work) {
        if (!*threads) {
            throw std::bad_alloc(); // as std::thread does without memory for its state
        }
        std::thread(std::move(work)).detach();
    });
    ASSERT_TRUE(queue.addOperation([gate] { gate->enterAndWait(); }));
    ASSERT_TRUE(gate->waitUntil([&] { return gate->running == 1; }));
    *threads = false;
    auto ranOn = std::make_shared<std::thread::id>();
    EXPECT_TRUE(queue.addOperation([gate, ranOn] {
        *ranOn = std::this_thread::get_id();
        gate->enterAndWait();
    }));
    gate->release();
    ASSERT_TRUE(gate->waitUntil([&] { return gate->finished == 2; }));
    EXPECT_NE(*ranOn, std::this_thread::get_id());

    // With no worker left to take it over, waiting would be for good. A refusal takes none of
    // the queue's room: once threads come back, work runs again.
    for (int i = 0; i < 2000 && queue.operationCount() > 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(queue.operationCount(), 0);
    bool ran = false;
    for (int i = 0; i < 8; ++i) {
        EXPECT_FALSE(queue.addOperation([&ran] { ran = true; }));
    }
    EXPECT_FALSE(ran);
    EXPECT_EQ(queue.operationCount(), 0);
    *threads = true;
    EXPECT_TRUE(queue.addOperation([gate] { gate->enterAndWait(); }));
    ASSERT_TRUE(gate->waitUntil([&] { return gate->finished == 3; }));
}

} // namespace
} // namespace scanbrook::platform
