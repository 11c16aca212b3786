// The parameter line split into options and their quotes removed.

#include "vmopts/VmParameters.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

struct LineCase {
    const char* label;
    std::u16string line;
    TextList split;    // as split, quotes still in place
    TextList stripped; // after quote removal
};
void PrintTo(const LineCase& c, std::ostream* os) { *os << c.label; }

class VmParametersTest : public testing::TestWithParam<LineCase> {};

TEST_P(VmParametersTest, SplitAndStrip) {
    TextList tokens = splitVmParameters(GetParam().line);
    EXPECT_EQ(tokens, GetParam().split);
    for (std::u16string& token : tokens) stripQuotes(token);
    EXPECT_EQ(tokens, GetParam().stripped);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, VmParametersTest,
    testing::Values(
        LineCase{"RunsOfSpaces", u"  -Xmx1g   -Dx=1  ", {u"-Xmx1g", u"-Dx=1"}, {u"-Xmx1g", u"-Dx=1"}},
        LineCase{"OnlySpaces", u"   ", {}, {}},
        LineCase{"TabIsNoSeparator", u"-Da\t-Db", {u"-Da\t-Db"}, {u"-Da\t-Db"}},
        LineCase{"QuotedValue", u"-Dname=\"a b\" -Dy", {u"-Dname=\"a b\"", u"-Dy"}, {u"-Dname=a b", u"-Dy"}},
        LineCase{"WholeOptionQuoted", u"\"-Dp=a  b\"", {u"\"-Dp=a  b\""}, {u"-Dp=a  b"}},
        LineCase{"DoubledQuotesInside", u"-Dmsg=\"say \"\"hi\"\"\"", {u"-Dmsg=\"say \"\"hi\"\"\""},
                 {u"-Dmsg=say \"hi\""}},
        LineCase{"UnbalancedQuoteProtectsNothing", u"-Da=\"x y -Db=2", {u"-Da=\"x", u"y", u"-Db=2"},
                 {u"-Da=\"x", u"y", u"-Db=2"}},
        LineCase{"DoubledClosingQuoteEndsTheSpan", u"\"a\"\"b c\"", {u"\"a\"\"b", u"c\""}, {u"a\"b", u"c\""}},
        LineCase{"EmptyQuotes", u"\"\" -Dz", {u"\"\"", u"-Dz"}, {u"", u"-Dz"}},
        LineCase{"QuoteAtEnd", u"-Dx\" \"", {u"-Dx\" \""}, {u"-Dx "}},
        LineCase{"LoneQuoteAtEnd", u"-Dx\"", {u"-Dx\""}, {u"-Dx\""}},
        LineCase{"TwoSpans", u"\"a b\"c\"d e\"", {u"\"a b\"c\"d e\""}, {u"a bcd e"}}),
    [](const testing::TestParamInfo<LineCase>& info) { return std::string(info.param.label); });

} // namespace
} // namespace launcher
