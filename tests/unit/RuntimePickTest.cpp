// The runtime-not-found dialog's check of a picked runtime: each launcher
// takes only what it can load, the x64 one also a 32-bit runtime for its
// configured pair, and a wrong pick gets a message naming the library.

#include "ui/RuntimePick.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

constexpr auto kX86 = LibraryWidth::X86;
constexpr auto kX64 = LibraryWidth::X64;
constexpr auto kArm = LibraryWidth::Arm64;
constexpr std::u16string_view kPath = u"C:\\jdk\\bin\\server\\jvm.dll";

LibraryImage imageFor(LibraryWidth width, uint32_t machine = 0) { return {ImageState::Image, machine, width}; }

TEST(PickedRuntimeRejection, EachLauncherTakesWhatItCanLoad) {
    struct Case {
        LibraryImage image;
        LibraryWidth launcher;
        bool hasPair;
        const char16_t* message; // empty: a valid pick; else a part of the message
    };
    const std::u16string wrong = u"The Java runtime library " + std::u16string(kPath) + u" does not fit this program: ";
    const Case cases[] = {
        {imageFor(kX64), kX64, false, u""},
        {imageFor(kArm), kArm, false, u""},
        {imageFor(kX86), kX86, true, u""},
        {imageFor(kX86), kX64, true, u""},
        {imageFor(kX64), kArm, false, u"an x"},
        {imageFor(kX64), kArm, true, u"an x"},
        {imageFor(kArm), kX64, true, u"runtime, which this x"},
        {imageFor(kX86), kArm, true, u"a 32-bit runtime, which this "},
        {imageFor(kX86), kX64, false, u"a 32-bit runtime, which this 64-bit launcher cannot load"},
        {imageFor(kArm), kX86, false, u"runtime, which this 32-bit launcher cannot load"},
        {imageFor(kX64), kX86, false, u" is a 64-bit library, which this 32-bit program cannot load"},
        {imageFor(LibraryWidth::Unknown, 0x01C4), kX64, true, u"its runtime library is built for "},
        {LibraryImage{ImageState::NotAnImage}, kX64, true, u"its runtime library is no library"},
        {LibraryImage{ImageState::Truncated}, kArm, false, u"its runtime library is cut short"},
        {LibraryImage{ImageState::Unreadable}, kX86, false, u"its runtime library cannot be read"},
    };
    for (const Case& c : cases) {
        const std::u16string text = pickedRuntimeRejection(kPath, c.image, c.launcher, c.hasPair);
        const std::string label = "case " + std::to_string(&c - cases);
        if (std::u16string_view(c.message).empty()) {
            EXPECT_EQ(text, u"") << label;
            continue;
        }
        EXPECT_NE(text.find(c.message), std::u16string::npos) << label;
        EXPECT_NE(text.find(kPath), std::u16string::npos) << label;
        // The 32-bit launcher keeps its own message for a 64-bit pick.
        const bool tooWide = c.launcher == kX86 && c.image.width == kX64;
        EXPECT_EQ(text.starts_with(wrong), !tooWide) << label;
        EXPECT_TRUE(text.ends_with(u"Please choose another Java runtime.") || tooWide) << label;
    }
}

} // namespace
} // namespace launcher
