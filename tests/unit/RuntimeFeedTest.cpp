// The runtime feed's keys: which values are followed, which are refused and
// why, with the very keys openssl makes.

#include "config/RuntimeFeed.h"
#include "FeedFixtures.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

using FE = RuntimeFeedError;
using test::kP384Key;
using test::kRightKey;

constexpr std::u16string_view kFeedUrl = u"https://feed.example.com/runtime-feed.ini";

struct FeedRow {
    const char* label;
    RuntimeFeedKeys keys;
    bool pinned;
    FE error;
    std::u16string_view value;  // the value the message names
    uint32_t hours = 24;        // when followed
};

TEST(RuntimeFeed, FollowedOrRefusedWithItsReason) {
    const std::u16string key(kRightKey), url(kFeedUrl);
    const std::u16string notBase64 = u"!" + key.substr(1), p384(kP384Key);
    // A P-256 key's base64 with a line break in it, as a PEM file wraps it.
    const std::u16string wrapped = key.substr(0, 64) + u"\n" + key.substr(64);
    const FeedRow rows[] = {
        {"NoUrlIgnoresTheRest", {u"", u"junk", u"1.5"}, false, FE::None, u""},
        {"BlankUrlIsNoUrl", {u"  ", u"", u""}, true, FE::None, u""},
        {"NoPin", {url, key, u""}, false, FE::NoPin, kFeedUrl},
        {"Https", {url, key, u""}, true, FE::None, u""},
        {"HttpToLoopback", {u"http://127.0.0.1:8000/f.ini", key, u""}, true, FE::None, u""},
        {"HttpElsewhere", {u"http://feed.example.com/f.ini", key, u""}, true, FE::UrlNotHttp, u"http://feed.example.com/f.ini"},
        {"UserName", {u"https://u@feed.example.com/f.ini", key, u""}, true, FE::UrlNotHttp, u"https://u@feed.example.com/f.ini"},
        {"NotAnAddress", {u"feed.ini", key, u""}, true, FE::UrlNotHttp, u"feed.ini"},
        {"MissingKey", {url, u" ", u""}, true, FE::MissingKey, u""},
        {"KeyNotBase64", {url, notBase64, u""}, true, FE::BadKey, notBase64},
        {"KeyWithALineBreak", {url, wrapped, u""}, true, FE::BadKey, wrapped},
        {"KeyOfAnotherCurve", {url, p384, u""}, true, FE::BadKey, p384},
        {"IntervalBlank", {url, key, u"   "}, true, FE::None, u""},
        {"IntervalZero", {url, key, u"0"}, true, FE::None, u"", 0},
        {"IntervalDefaultWritten", {url, key, u"24"}, true, FE::None, u"", 24},
        {"IntervalTenYears", {url, key, u"87600"}, true, FE::None, u"", 87600},
        {"IntervalBlanksAround", {url, key, u" 7 "}, true, FE::None, u"", 7},
        {"IntervalBeyondTenYears", {url, key, u"87601"}, true, FE::BadInterval, u"87601"},
        {"IntervalFarBeyond", {url, key, u"99999999999"}, true, FE::BadInterval, u"99999999999"},
        {"IntervalNegative", {url, key, u"-1"}, true, FE::BadInterval, u"-1"},
        {"IntervalFraction", {url, key, u"1.5"}, true, FE::BadInterval, u"1.5"},
    };
    for (const FeedRow& row : rows) {
        SCOPED_TRACE(row.label);
        const RuntimeFeedCheck check = checkRuntimeFeed(row.keys, row.pinned);
        EXPECT_EQ(check.error, row.error);
        EXPECT_EQ(check.value, row.value);
        const bool followed = row.error == FE::None && !trimWhitespace(row.keys.url).empty();
        EXPECT_EQ(check.feed.configured(), followed);
        if (!followed) continue;
        EXPECT_EQ(check.feed.url, trimWhitespace(row.keys.url));
        EXPECT_EQ(check.feed.publicKey, test::fixtureBytes(kRightKey));
        EXPECT_EQ(check.feed.intervalHours, row.hours);
        EXPECT_TRUE(runtimeFeedErrorText(check).empty());
    }
}

} // namespace
} // namespace launcher
