// The XDG base directories: a relative variable is ignored, as their rules
// say, for the settings folder and the cache folder alike.

#include "base/XdgFolders.h"
#include "config/ConfigPaths.h"
#include "support/TestSupport.h"
#include "vmopts/StartupCache.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

TEST(XdgFolders, RelativeVariablesAreIgnored) {
    using Value = std::optional<std::u16string>;
    struct Case {
        Value variable, home;
        std::u16string expected;
    } cases[] = {
        {u"/x/cache", u"/home/ann", u"/x/cache"},
        {u"cache", u"/home/ann", u"/home/ann/.cache"},
        {u"./cache", u"/home/ann", u"/home/ann/.cache"},
        {u"", u"/home/ann", u"/home/ann/.cache"},
        {std::nullopt, u"/home/ann", u"/home/ann/.cache"},
        {u"cache", u"home/ann", u""},
        {std::nullopt, std::nullopt, u""},
        {u"/x/cache", std::nullopt, u"/x/cache"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(xdgBaseFolder(c.variable, c.home, u"/.cache"), c.expected)
            << toNarrow(c.variable.value_or(u"(unset)")) << " " << toNarrow(c.home.value_or(u"(unset)"));
    }
}

TEST(XdgFolders, SettingsAndCacheFoldersLeaveOutARelativeVariable) {
    test::EnvironmentOverride home{u"HOME", u"/home/ann"};
    test::EnvironmentOverride config{u"XDG_CONFIG_HOME", u"config"};
    test::EnvironmentOverride cache{u"XDG_CACHE_HOME", u"cache"};
    EXPECT_EQ(getAppDataFolder(), u"/home/ann/.config");
    EXPECT_EQ(platformCacheFiles().userCacheFolder(), u"/home/ann/.cache");
}

} // namespace
} // namespace launcher
