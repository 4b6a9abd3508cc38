#include "platform/Process.h"

#include "support/CommandResults.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace scanbrook::platform {
namespace {

TEST(StartFailureText, NamesThePathAndTheSystemsReason) {
    EXPECT_EQ(testing::notStarted(ENOENT, "/usr/bin/log").startFailureText(),
              "/usr/bin/log could not be started: No such file or directory.");
    EXPECT_EQ(testing::notStarted(EACCES, "/sim/x/XProtect").startFailureText(),
              "/sim/x/XProtect could not be started: Permission denied.");
    EXPECT_EQ(testing::notStarted(ENOEXEC, "/tmp/script").startFailureText(),
              "/tmp/script could not be started: Exec format error.");
}

TEST(StartFailureText, UnknownErrorNumber) {
    EXPECT_EQ(testing::notStarted(99999, "/p").startFailureText(),
              "/p could not be started: Unknown error 99999.");
}

TEST(StartFailureText, EmptyForAProgramThatRan) {
    EXPECT_EQ(testing::exitedWith(1).startFailureText(), "");
    EXPECT_EQ(testing::killedBySignal(9).startFailureText(), "");
}

} // namespace
} // namespace scanbrook::platform
