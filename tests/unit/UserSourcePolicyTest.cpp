// What an elevated start leaves out, from what the system says about the
// process's rights.

#include "config/UserSourcePolicy.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

struct PolicyCase {
    const char* name;
    ElevationFacts facts;
    bool trusted; // every user source kept
};

TEST(UserSourcePolicyTest, OnlyTheElevatedHalfOfASplitTokenLeavesTheUsersSourcesOut) {
    const PolicyCase cases[] = {
        {"a standard user", {true, false, false}, true},
        {"an administrator's everyday, unelevated programs", {true, false, true}, true},
        {"Run as administrator, or an elevated installer's child", {true, true, true}, false},
        {"the system account or a service account: no unelevated twin", {true, true, false}, true},
        {"rights that cannot be read count as the worst", {false, false, false}, false},
    };
    for (const PolicyCase& c : cases) {
        const UserSourcePolicy policy = userSourcePolicy(c.facts);
        EXPECT_EQ(policy.readUserIni, c.trusted) << c.name;
        EXPECT_EQ(policy.searchUserRuntimes, c.trusted) << c.name;
        EXPECT_EQ(policy.useStartupCache, c.trusted) << c.name;
        EXPECT_EQ(policy.rememberChoice, c.trusted) << c.name;
        EXPECT_EQ(policy.runtimeOptionVariables, c.trusted) << c.name;
        EXPECT_EQ(policy.userVariables, c.trusted) << c.name;
        EXPECT_EQ(policy.traceToFile, c.trusted) << c.name;
        // The trace says why whenever something is left out.
        EXPECT_EQ(policy.reason.empty(), c.trusted) << c.name;
    }
}

} // namespace
} // namespace launcher
