// The splash decisions: which splash a launch shows, where the window goes,
// where the runtime's splash library is, and how its functions are called.

#include "base/Platform.h"
#include "launcher/LaunchTrace.h"
#include "splash/NativeSplash.h"
#include "splash/SplashChoice.h"
#include "splash/SplashPlacement.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace launcher {
namespace {

TEST(SplashSuppressed, OnlyTheExactSwitchAnywhereInTheArguments) {
    struct Case {
        TextList arguments;
        bool suppressed;
    };
    const Case cases[] = {
        {{}, false},
        {{u"-nosplash"}, true},
        {{u"/nosplash"}, true},
        {{u"file.txt", u"-nosplash", u"x"}, true},
        {{u"-NoSplash"}, false},
        {{u"-nosplash "}, false},
        {{u"--nosplash"}, false},
        {{u"-nosplash=1"}, false},
        {{u"nosplash"}, false},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const auto& a : c.arguments) shown.append(1, '[').append(toUtf8(a)).append(1, ']');
        EXPECT_EQ(splashSuppressed(c.arguments), c.suppressed) << shown;
    }
}

TEST(SplashChoice, NativeOnlyWhenPreferredAndFoundOrWhenThereIsNoOwnWindow) {
    struct Case {
        bool image, prefer, library, ownWindow;
        SplashKind first, afterNativeFailure;
    };
    using K = SplashKind;
    const Case cases[] = {
        {false, true, true, true, K::None, K::None},
        {false, true, true, false, K::None, K::None},
        {true, false, false, true, K::OwnWindow, K::OwnWindow},
        {true, false, true, true, K::OwnWindow, K::OwnWindow},
        {true, true, false, true, K::OwnWindow, K::OwnWindow},
        {true, true, true, true, K::Native, K::OwnWindow},
        // Linux: the runtime's library is the only splash there is.
        {true, false, true, false, K::Native, K::None},
        {true, true, true, false, K::Native, K::None},
        {true, true, false, false, K::None, K::None},
    };
    for (const Case& c : cases) {
        SplashRequest request{c.image, c.prefer, c.library, c.ownWindow};
        std::string shown = std::to_string(c.image) + std::to_string(c.prefer) + std::to_string(c.library) +
                            std::to_string(c.ownWindow);
        EXPECT_EQ(firstSplashChoice(request), c.first) << shown;
        EXPECT_EQ(fallbackAfterNativeFailure(request), c.afterNativeFailure) << shown;
    }
}

// The trace says why a picture meant for the runtime's splash library is
// shown otherwise: only when the library was wanted and is not there.
TEST(SplashChoice, TheTraceNamesAMissingLibraryOnlyWhenItWasWanted) {
    struct Case {
        bool image, prefer, library, ownWindow;
        std::u16string_view candidate;
        std::u16string said;
    };
    const std::u16string missing = u"splash: the runtime has no splash library (/rt/lib/splash is missing)";
    const Case cases[] = {
        {true, true, false, true, u"/rt/lib/splash", missing},
        {true, false, false, false, u"/rt/lib/splash", missing},
        {true, true, false, true, u"", u"splash: the runtime has no splash library (its folder is unknown)"},
        {true, true, true, true, u"/rt/lib/splash", u""},
        {true, false, false, true, u"/rt/lib/splash", u""},
        {false, true, false, true, u"/rt/lib/splash", u""},
    };
    for (const Case& c : cases) {
        SplashRequest request{c.image, c.prefer, c.library, c.ownWindow};
        EXPECT_EQ(toUtf8(nativeSplashMissingText(request, c.candidate)), toUtf8(c.said))
            << c.image << c.prefer << c.library << c.ownWindow;
    }
}

TEST(SplashShadow, OnlyExactlyLowerCaseTrue) {
    EXPECT_TRUE(splashShadowRequested(u"true"));
    for (std::u16string_view text : {u"", u"True", u"TRUE", u"yes", u"1", u" true", u"true "}) {
        EXPECT_FALSE(splashShadowRequested(text)) << toUtf8(text);
    }
}

TEST(SplashPlacement, CentredWithTruncationTowardZero) {
    struct Case {
        int screenW, screenH, w, h, x, y;
    };
    const Case cases[] = {
        {1920, 1080, 400, 300, 760, 390},
        {1920, 1080, 2001, 1001, -40, 39},
        {1280, 1024, 400, 300, 440, 362},
        {1920, 1080, 0, 0, 960, 540},      // undecodable picture: a window of no size at the centre
        {1920, 1080, 1921, 1081, 0, 0},    // -1 / 2 truncates to 0, not -1
        {1920, 1080, 1923, 1083, -1, -1},
        {1921, 1081, 400, 300, 760, 390},
    };
    for (const Case& c : cases) {
        SplashOrigin origin = centredSplashOrigin(c.screenW, c.screenH, c.w, c.h);
        EXPECT_EQ(origin.x, c.x) << c.w << "x" << c.h;
        EXPECT_EQ(origin.y, c.y) << c.w << "x" << c.h;
    }
}

TEST(SplashLibraryCandidate, TwoComponentsUpFromTheRuntimeLibrary) {
    const std::u16string name = kSplashLibraryName;
    const std::u16string sep(1, kPathSeparator);
    struct Case {
        std::u16string jvmPath, expected;
    };
    const Case cases[] = {
        {test::nativePath(u"/java/jre/bin/server/jvm.dll"), test::nativePath(u"/java/jre/bin/") + name},
        {test::nativePath(u"home/server/jvm.dll"), test::nativePath(u"home/") + name},
        // One separator only: the second cut is skipped.
        {test::nativePath(u"server/jvm.dll"), u"server" + sep + name},
        {u"jvm.dll", u"jvm.dll" + sep + name},
        {test::nativePath(u"/server/jvm.dll"), u""},
        {u"", u""},
        {test::nativePath(u"/jre//server/jvm.dll"), test::nativePath(u"/jre/") + name},
    };
    for (const Case& c : cases) EXPECT_EQ(toUtf8(splashLibraryCandidate(c.jvmPath)), toUtf8(c.expected)) << toUtf8(c.jvmPath);
    // A folder that already ends in either separator gets none added.
    EXPECT_EQ(toUtf8(splashLibraryCandidate(u"C:/" + sep + u"a" + sep + u"b")), toUtf8(u"C:/" + name));
}

TEST(SplashLibraryCandidate, FoundOnlyWhenTheFileExists) {
    test::TempFolder home;
    std::u16string jvm = home.text(test::nativePath(u"lib/server/libjvm"));
    EXPECT_EQ(findSplashLibrary(jvm), u"");
    test::writeBytes(home.path() / "lib" / test::toPath(kSplashLibraryName), "");
    EXPECT_EQ(toUtf8(findSplashLibrary(jvm)), toUtf8(home.text(u"lib") + kPathSeparator + kSplashLibraryName));
}

// Records the calls of a fake splash library.
std::vector<std::string> calls;
void fakeInit() { calls.push_back("init"); }
int fakeLoadFile(const char* path) {
    calls.push_back(std::string("load ") + path);
    return 0;
}
void fakeSetJarName(const char* path, const char* jar) {
    calls.push_back(std::string("jar ") + path + "|" + jar);
}
void fakeClose() { calls.push_back("close"); }
void otherClose() { calls.push_back("other close"); }

TEST(NativeSplash, StartsInOrderAndClosesOnceWhenTheHolderRuns) {
    calls.clear();
    {
        SplashCloseAction close;
        EXPECT_TRUE(startSplashWith({fakeInit, fakeLoadFile, fakeSetJarName, fakeClose}, u"splash.png", close));
        EXPECT_EQ(calls, (std::vector<std::string>{"init", "load splash.png", "jar splash.png|"}));
        close.run();
        close.run();
    }
    EXPECT_EQ(calls.back(), "close");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "close"), 1);
}

TEST(NativeSplash, MissingStartFunctionFailsButKeepsTheCloseFunction) {
    using Entries = SplashEntryPoints;
    for (Entries entries : {Entries{nullptr, fakeLoadFile, fakeSetJarName, fakeClose},
                            Entries{fakeInit, nullptr, fakeSetJarName, fakeClose},
                            Entries{fakeInit, fakeLoadFile, nullptr, fakeClose}}) {
        calls.clear();
        {
            SplashCloseAction close;
            EXPECT_FALSE(startSplashWith(entries, u"splash.png", close));
            EXPECT_TRUE(calls.empty());
            EXPECT_EQ(close.held(), &fakeClose);
        }
        // Destroying the holder closes.
        EXPECT_EQ(calls, (std::vector<std::string>{"close"}));
    }
}

TEST(NativeSplash, ADifferentCloseFunctionClosesTheEarlierSplashFirst) {
    calls.clear();
    SplashCloseAction close;
    close.hold(otherClose);
    close.hold(otherClose); // the same one: nothing to close
    EXPECT_TRUE(calls.empty());
    startSplashWith({fakeInit, fakeLoadFile, fakeSetJarName, fakeClose}, u"a", close);
    EXPECT_EQ(calls.front(), "other close");
    close.hold(nullptr);
    EXPECT_EQ(calls.back(), "close");
    EXPECT_EQ(close.held(), nullptr);
}

} // namespace
} // namespace launcher
