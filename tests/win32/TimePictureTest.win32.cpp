// The portable picture rules against GetTimeFormatW and GetDateFormatW of
// the user's locale, with the words read from that locale.

#include "base/LocalTime.h"
#include "base/Text.h"
#include "base/TimePicture.h"
#include "base/Wide.win32.h"
#include "vmopts/RedirectNames.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace launcher {
namespace {

SYSTEMTIME systemTime(const DateTime& t) {
    return SYSTEMTIME{static_cast<WORD>(t.year),   static_cast<WORD>(t.month),  static_cast<WORD>(dayOfWeek(t)),
                      static_cast<WORD>(t.day),    static_cast<WORD>(t.hour),   static_cast<WORD>(t.minute),
                      static_cast<WORD>(t.second), static_cast<WORD>(t.millisecond)};
}

template <typename Format>
std::u16string platformFormat(Format format, const DateTime& time, const std::u16string& picture) {
    SYSTEMTIME st = systemTime(time);
    std::u16string buffer(1024, u'\0');
    int length = format(LOCALE_USER_DEFAULT, 0, &st, wide(picture), wide(buffer), static_cast<int>(buffer.size()));
    EXPECT_GT(length, 0) << toUtf8(picture);
    buffer.resize(length > 0 ? length - 1 : 0);
    return buffer;
}

const DateTime kTimes[] = {
    {2026, 12, 8, 14, 5, 9, 7}, {2005, 3, 1, 0, 0, 0, 0}, {1999, 7, 31, 12, 59, 59, 999}, {2024, 2, 29, 9, 30, 5, 40},
};

// "y" (the last digit by the documentation, two digits under Wine) and
// "gg" (the era once by the documentation, once per letter under Wine) are
// left out.
const char16_t* const kPictures[] = {
    u"h",        u"hh",        u"hhh",    u"H",     u"HH",     u"m",          u"mm",    u"s",
    u"ss",       u"t",         u"tt",     u"ttt",   u"d",      u"dd",         u"ddd",   u"dddd",
    u"ddddd",    u"M",         u"MM",     u"MMM",   u"MMMM",   u"MMMMM",      u"yy",    u"yyy",
    u"yyyy",     u"yyyyy",     u"g",      u"'",     u"''",     u"'''",        u"''''",  u"'a''b'",
    u"'HHdd",    u"x'h'h'd'd", u"\"h\"d", u"%L z",  u"hH dM",  u"HH:mm:ss tt", u"dddd, MMMM d, yyyy",
    u"yyyy-MM-dd_HH-mm-ss",
};

TEST(TimePictureAgreementTest, SameTextAsTheLocaleFunctions) {
    const TimeNames names = readUserTimeNames();
    for (const DateTime& time : kTimes) {
        for (const char16_t* picture : kPictures) {
            EXPECT_EQ(formatTimePicture(picture, time, names), platformFormat(GetTimeFormatW, time, picture))
                << toUtf8(picture) << " at " << time.hour;
            EXPECT_EQ(formatDatePicture(picture, time, names), platformFormat(GetDateFormatW, time, picture))
                << toUtf8(picture) << " on " << time.year << "-" << time.month << "-" << time.day;
        }
    }
}

// Where no produced or quoted text holds a picture letter, the one-pass
// stamp equals the time pass followed by the date pass.
TEST(TimePictureAgreementTest, StampEqualsTheTwoPlatformPasses) {
    const TimeNames names = readUserTimeNames();
    const char16_t* const templates[] = {u"yyyy-MM-dd_HH-mm-ss", u"HHmmss.L", u"dddd MMMM d h.mm", u"yy'T'HH"};
    for (const DateTime& time : kTimes) {
        for (const char16_t* stampTemplate : templates) {
            std::u16string name = u"out_%" + std::u16string(stampTemplate) + u"%.log";
            stampFileName(name, time, names);
            std::u16string picture = stampTemplate;
            for (size_t at = picture.find(u'L'); at != std::u16string::npos; at = picture.find(u'L'))
                picture.replace(at, 1, toDecimal(time.millisecond));
            std::u16string timePass = platformFormat(GetTimeFormatW, time, picture);
            EXPECT_EQ(name, u"out_" + platformFormat(GetDateFormatW, time, timePass) + u".log") << toUtf8(stampTemplate);
        }
    }
}

} // namespace
} // namespace launcher
