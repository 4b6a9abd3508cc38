// SCANBROOK_PLATFORM_ROOT moves every platform path on the machines without the real tools. A
// Mac build must never honour it: whoever sets the environment would otherwise choose which
// "log" tool and which log folders Scanbrook trusts. The shipped answer of the test seam is
// compiled here as for the Mac, and the test seam for tests left out.

#include "platform/Paths.h"

#include "support/SimRoot.h"

#include <gtest/gtest.h>

namespace scanbrook {
namespace {

TEST(MacBuildPaths, IgnoreTheSimulatedRootVariable) {
    for (const char* root : {"/tmp/elsewhere", "relative/root"}) {
        const test::UsingPlatformRoot usingRoot(root);
        EXPECT_EQ(platform::platformRoot(), "") << root;
        EXPECT_EQ(platform::platformPath("/usr/bin/log"), "/usr/bin/log") << root;
    }
}

} // namespace
} // namespace scanbrook
