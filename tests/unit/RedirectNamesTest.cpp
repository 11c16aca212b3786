// Redirection file names: the settings' values, the stamp put into a name,
// and when the clock is read.

#include "base/Environment.h"
#include "config/IniSectionMap.h"
#include "support/TestSupport.h"
#include "vmopts/RedirectNames.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

const DateTime kNow{2026, 12, 8, 14, 5, 9, 7};

TEST(StampFileNameTest, TemplateBetweenFirstAndLastPercentSign) {
    struct Case {
        const char16_t* name;
        const char16_t* stamped;
    };
    const Case cases[] = {
        {u"C:\\logs\\out_%yyyy-MM-dd_HH-mm-ss%.log", u"C:\\logs\\out_2026-12-08_14-05-09.log"},
        {u"out_%HHmmss.L%.log", u"out_140509.7.log"},
        {u"a%LL%b", u"a77b"},
        {u"out%.log", u"out.log"}, // a single percent sign just goes
        {u"%%x", u"x"},
        {u"a%yyyy%b%MM%c", u"a2026%b%12c"},
        {u"%'Log' d MMM%", u"7og 8 Dec"}, // every L, quoted or not
        {u"plain.log", u"plain.log"},
    };
    for (const Case& c : cases) {
        std::u16string name = c.name;
        stampFileName(name, kNow, englishTimeNames());
        EXPECT_EQ(name, c.stamped) << toUtf8(c.name);
    }
}

TEST(StampRedirectNamesTest, ClockReadOnceAndOnlyWhenANameHoldsAPercentSign) {
    struct Case {
        const char16_t* output;
        const char16_t* error;
        int reads;
        const char16_t* stampedOutput;
        const char16_t* stampedError;
    };
    const Case cases[] = {
        {u"out.log", u"err.log", 0, u"out.log", u"err.log"},
        {u"out%H%.log", u"err.log", 1, u"out14.log", u"err.log"},
        {u"", u"err%s%", 1, u"", u"err9"},
        {u"o%m%", u"e%m%", 1, u"o5", u"e5"},
    };
    for (const Case& c : cases) {
        RedirectSettings settings{c.output, true, c.error, false};
        int reads = 0;
        stampRedirectNames(settings, [&] {
            ++reads;
            return StampTime{kNow, englishTimeNames()};
        });
        EXPECT_EQ(reads, c.reads) << toUtf8(c.output) << " " << toUtf8(c.error);
        EXPECT_EQ(settings.outputFile, c.stampedOutput);
        EXPECT_EQ(settings.errorFile, c.stampedError);
    }
}

TEST(RedirectSettingsTest, NamesExpandedAndOnlyLowerCaseYesAppends) {
    test::EnvironmentOverride logs(u"QX_TEST_LOGS", u"/var/logs");
    test::EnvironmentOverride missing(u"QX_TEST_MISSING", std::nullopt);
    IniSectionMap ini;
    ini.loadFromText(u"[Application]\r\nOutput File=%QX_TEST_LOGS%/out-%yyyy%.log\r\nOutput Append=Yes\r\n"
                     u"Error File=%QX_TEST_MISSING%/err.log\r\nError Append=yes\r\n");
    RedirectSettings settings = readRedirectSettings(ini);
    EXPECT_EQ(settings.outputFile, u"/var/logs/out-%yyyy%.log");
    EXPECT_FALSE(settings.outputAppend);
    EXPECT_EQ(settings.errorFile, u"%QX_TEST_MISSING%/err.log");
    EXPECT_TRUE(settings.errorAppend);

    RedirectSettings spaced = redirectSettingsFrom(u"a", u"YES", u"b", u" yes");
    EXPECT_FALSE(spaced.outputAppend || spaced.errorAppend);
}

} // namespace
} // namespace launcher
