// Date and time pictures over fixed clocks and the English words. The
// Win32 suite holds the single pictures against the platform's functions;
// these cases are the ones it cannot: documented rules Wine does not
// follow, the one-pass mix of both sets, and values out of range.

#include "base/LocalTime.h"
#include "base/TimePicture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

TEST(TimePictureTest, BothSetsInOnePass) {
    const DateTime afternoon{2026, 12, 8, 14, 5, 9, 7};
    const DateTime midnight{2005, 3, 1, 0, 0, 0, 0};
    struct Case {
        const char16_t* picture;
        const char16_t* afternoon;
        const char16_t* midnight;
    };
    const Case cases[] = {
        {u"yyyy-MM-dd_HH-mm-ss", u"2026-12-08_14-05-09", u"2005-03-01_00-00-00"},
        {u"h hh hhh H", u"2 02 02 14", u"12 12 12 0"},
        {u"hh-mm tt t", u"02-05 PM P", u"12-00 AM A"},
        {u"y yy yyy yyyyy", u"6 26 2026 2026", u"5 05 2005 2005"},
        {u"d dd ddd ddddd", u"8 08 Tue Tuesday", u"1 01 Tue Tuesday"},
        {u"M MM MMM MMMMM", u"12 12 Dec December", u"3 03 Mar March"},
        {u"g gg", u"A.D. A.D.", u"A.D. A.D."},
        {u"'day' d, 'hour' H", u"day 8, hour 14", u"day 1, hour 0"},
        {u"d''d '''' 'a''b' 'unclosed M", u"88 ' a'b unclosed M", u"11 ' a'b unclosed M"},
        {u"%L z\\", u"%L z\\", u"%L z\\"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatDateTimePicture(c.picture, afternoon, englishTimeNames()), c.afternoon) << toUtf8(c.picture);
        EXPECT_EQ(formatDateTimePicture(c.picture, midnight, englishTimeNames()), c.midnight) << toUtf8(c.picture);
    }
    // Each single-set pass copies the other set's letters.
    EXPECT_EQ(formatTimePicture(u"dMyg hH", afternoon, englishTimeNames()), u"dMyg 214");
    EXPECT_EQ(formatDatePicture(u"hHmst dM", afternoon, englishTimeNames()), u"hHmst 812");
}

// The twelve-hour clock turns at noon and at midnight: the hour before
// each turn and the hour of it tell a marker or a clock off by one.
TEST(TimePictureTest, TwelveHourClockAroundNoonAndMidnight) {
    struct Case {
        int hour;
        const char16_t* text;
    } cases[] = {{0, u"12 12 AM A"}, {11, u"11 11 AM A"}, {12, u"12 12 PM P"}, {23, u"11 11 PM P"}};
    for (const Case& c : cases) {
        const DateTime time{2026, 12, 8, c.hour, 30, 0, 0};
        EXPECT_EQ(formatTimePicture(u"h hh tt t", time, englishTimeNames()), c.text) << c.hour;
    }
}

TEST(TimePictureTest, DayOfWeekFromTheDate) {
    struct Case {
        DateTime date;
        int weekday;
    };
    const Case cases[] = {{{2026, 12, 8}, 2}, {{2000, 2, 29}, 2}, {{1601, 1, 1}, 1}, {{2024, 3, 1}, 5},
                          {{1900, 3, 1}, 4},  {{2023, 1, 1}, 0},  {{2100, 12, 31}, 5}};
    for (const Case& c : cases) EXPECT_EQ(dayOfWeek(c.date), c.weekday) << c.date.year << "-" << c.date.month;
}

TEST(TimePictureTest, FieldsOutOfRangeGiveNoWord) {
    const DateTime odd{2026, 13, 40, 25, 61, 61, 1000};
    EXPECT_EQ(formatDateTimePicture(u"MMMM|d|HH", odd, englishTimeNames()), u"|40|25");
}

// The C locale (Linux) and an English (United States) user locale
// (Windows, under Wine) have the English words.
TEST(LocalTimeTest, EnglishUserWords) {
    test::EnvironmentOverride locale(u"LC_ALL", u"C");
    TimeNames user = readUserTimeNames();
    TimeNames english = englishTimeNames();
    EXPECT_EQ(user.months, english.months);
    EXPECT_EQ(user.abbreviatedMonths, english.abbreviatedMonths);
    EXPECT_EQ(user.days, english.days);
    EXPECT_EQ(user.abbreviatedDays, english.abbreviatedDays);
    EXPECT_EQ(user.am + user.pm, u"AMPM");
}

} // namespace
} // namespace launcher
