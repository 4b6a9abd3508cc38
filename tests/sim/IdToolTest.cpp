#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace scanbrook::test {
namespace {

using Ending = platform::CommandResult::Ending;

class SimIdTool : public SimToolTest {
protected:
    platform::CommandResult runId(const std::vector<std::string>& arguments) const {
        return run(mac::kIdTool, arguments);
    }
};

TEST_F(SimIdTool, ListsTheGroupsOfAnAdministratorLikeTheRealTool) {
    const auto result = runId({"-G", "alice"});
    EXPECT_EQ(result.ending, Ending::Exited);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "20 12 61 79 80 81 98 701 33 100 204 250 395 398 399\n");
}

TEST_F(SimIdTool, TheGroupsControlReplacesTheList) {
    root.setControl("id.groups", "20  12\n61 180 800\n");
    const auto result = runId({"-G", "alice"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "20 12 61 180 800\n");
}

TEST_F(SimIdTool, TheOutputAndStatusControlsAreObeyed) {
    root.setControl("id.output", "20  80");
    root.setControl("id.status", "1");
    const auto result = runId({"-G", "alice"});
    EXPECT_EQ(result.ending, Ending::Exited);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output, "20  80");
}

struct ArgumentsCase {
    const char* label;
    std::vector<std::string> arguments;
};

void PrintTo(const ArgumentsCase& arguments, std::ostream* out) {
    *out << arguments.label;
}

class SimIdArguments : public SimIdTool, public ::testing::WithParamInterface<ArgumentsCase> {};

TEST_P(SimIdArguments, OtherArgumentsAreRefused) {
    const auto result = runId(GetParam().arguments);
    EXPECT_EQ(result.ending, Ending::Exited);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output, "");
}

INSTANTIATE_TEST_SUITE_P(Lists, SimIdArguments,
                         ::testing::Values(ArgumentsCase{"none", {}},
                                           ArgumentsCase{"lower-case g", {"-g", "alice"}},
                                           ArgumentsCase{"user ID", {"-u"}},
                                           ArgumentsCase{"empty user", {"-G", ""}},
                                           ArgumentsCase{"two users", {"-G", "alice", "bob"}}));

} // namespace
} // namespace scanbrook::test
