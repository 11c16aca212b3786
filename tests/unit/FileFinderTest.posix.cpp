// The Linux search's name matching: the Windows wildcard rules over
// UTF-16 units, bytes for names that are not UTF-8.

#include "base/FileFinder.posix.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

struct MatchCase {
    const char* pattern;
    const char* name;
    bool matches;
};

class SearchNameMatchesTest : public testing::TestWithParam<MatchCase> {};

TEST_P(SearchNameMatchesTest, Rule) {
    const MatchCase& c = GetParam();
    EXPECT_EQ(searchNameMatches(c.pattern, c.name), c.matches) << c.pattern << " / " << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SearchNameMatchesTest,
    testing::Values(MatchCase{"*.jar", "a.jar", true}, MatchCase{"*.jar", "a.jar.bak", false},
                    MatchCase{"*.jar", "A.JAR", false}, MatchCase{"*.*", "noext", true},
                    MatchCase{"*.*", ".hidden", true}, MatchCase{"*", ".", true},
                    MatchCase{"a*b*c", "abbbc", true}, MatchCase{"a*b*c", "acb", false},
                    MatchCase{"***", "", true}, MatchCase{"?", "", false},
                    MatchCase{"[x].jar", "[x].jar", true}, MatchCase{"[ab].jar", "a.jar", false},
                    MatchCase{"back\\*", "back\\slash", true}, MatchCase{"\\?", "\\x", true},
                    // One "?" is one character, whatever stands before it.
                    MatchCase{"?.jar", "\xc3\xa9.jar", true}, MatchCase{"??.jar", "\xc3\xa9.jar", false},
                    MatchCase{"*??????", "\xe6\x97\xa5.jar", false}, MatchCase{"*?????", "\xe6\x97\xa5.jar", true},
                    // Beyond the basic plane a character is two units, as on Windows.
                    MatchCase{"??.jar", "\xf0\x9f\x98\x80.jar", true}, MatchCase{"?.jar", "\xf0\x9f\x98\x80.jar", false},
                    // A name that is not UTF-8 is matched byte by byte.
                    MatchCase{"lat?.jar", "lat\xe9.jar", true}, MatchCase{"*.jar", "lat\xe9.jar", true},
                    MatchCase{"?\xe9", "a\xe9", true}));

TEST(SearchNameMatches, ManyStarsStayQuick) {
    // A pattern that sends a backtracking matcher into exponential work.
    const std::string pattern = std::string(40, '*') + "b";
    EXPECT_FALSE(searchNameMatches(pattern, std::string(200, 'a')));
    EXPECT_TRUE(searchNameMatches(pattern, std::string(200, 'a') + "b"));
}

} // namespace
} // namespace launcher
