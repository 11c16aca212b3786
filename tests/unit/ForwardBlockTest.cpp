// The forward block and the instance names: what a later launch writes is
// what the running one reads, and a reader that knows only the plain walk
// still reads a block in the complete form.

#include "instance/ForwardBlock.h"
#include "instance/InstanceNames.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace launcher {
namespace {

using Block = std::array<uint8_t, kForwardBlockSize>;

struct ForwardCase {
    const char* name;
    TextList arguments;
    TextList plainWalk; // what a reader of the argument area alone finds
};

void PrintTo(const ForwardCase& c, std::ostream* out) { *out << c.name; }

class ForwardArguments : public ::testing::TestWithParam<ForwardCase> {};

TEST_P(ForwardArguments, ArriveWholeAndStayReadableByThePlainWalk) {
    const ForwardCase& c = GetParam();
    Block block{};
    writeBlockWord(block, kListenerThreadOffset, 0x11223344);
    ASSERT_TRUE(writeForwardArguments(block, c.arguments));
    EXPECT_EQ(readForwardArguments(block), c.arguments);
    EXPECT_EQ(walkForwardArguments(block), c.plainWalk);
    EXPECT_EQ(readBlockWord(block, kListenerThreadOffset), 0x11223344u) << "the header is not the slot's";

    clearForwardArguments(block);
    EXPECT_EQ(readForwardArguments(block), TextList{u""}) << "a cleared slot reads as the plain walk does";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ForwardArguments,
    ::testing::Values(ForwardCase{"None", {}, {u""}}, ForwardCase{"One", {u"file.txt"}, {u"file.txt"}},
                      ForwardCase{"EmptyInTheMiddle", {u"a", u"", u"b"}, {u"a"}},
                      ForwardCase{"OnlyEmpty", {u"", u""}, {u""}},
                      ForwardCase{"BeyondLatinOne", {u"\u00e9\u4e2d", u"\U0001F600"}, {u"\u00e9\u4e2d", u"\U0001F600"}},
                      ForwardCase{"FillsTheAreaExactly", {std::u16string(518, u'x')}, {std::u16string(518, u'x')}}),
    [](const ::testing::TestParamInfo<ForwardCase>& info) { return std::string(info.param.name); });

TEST(ForwardBlock, ArgumentsOverTheAreaAreRefusedAndLeaveTheBlockAlone) {
    struct Case {
        TextList arguments;
        size_t size;
        bool fits;
    };
    const Case cases[] = {
        {{}, 2, true},
        {{std::u16string(518, u'x')}, 1040, true},
        {{std::u16string(519, u'x')}, 1042, false},
        {{std::u16string(258, u'x'), std::u16string(258, u'y')}, 1038, true},
        {{std::u16string(259, u'x'), std::u16string(258, u'y')}, 1040, true},
        {{std::u16string(259, u'x'), std::u16string(259, u'y')}, 1042, false},
        {TextList(519, u""), 1040, true},
        {TextList(520, u""), 1042, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(forwardedSize(c.arguments), c.size);
        EXPECT_EQ(fitsForwardBlock(c.arguments), c.fits);
        Block block{};
        ASSERT_TRUE(writeForwardArguments(block, {u"before"}));
        EXPECT_EQ(writeForwardArguments(block, c.arguments), c.fits);
        EXPECT_EQ(readForwardArguments(block), c.fits ? c.arguments : TextList{u"before"});
    }
}

TEST(ForwardBlock, PlainWalkOfAnUnmarkedBlock) {
    // A block as a reader that knows only the walk finds it: no mark.
    auto units = [](std::u16string_view text) {
        Block block{};
        for (size_t i = 0; i < text.size(); ++i) {
            block[kArgumentAreaOffset + 2 * i] = static_cast<uint8_t>(text[i]);
            block[kArgumentAreaOffset + 2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
        }
        return block;
    };
    EXPECT_EQ(readForwardArguments(units(std::u16string(u"ab\0cd\0\0zz", 9))), (TextList{u"ab", u"cd"}));
    // An argument still open at the end of the area is dropped.
    EXPECT_EQ(readForwardArguments(units(std::u16string(u"ab\0", 3) + std::u16string(517, u'q'))), TextList{u"ab"});
    // A mark whose count the area cannot hold gives what the area holds.
    Block marked{};
    ASSERT_TRUE(writeForwardArguments(marked, {u"one", u"two"}));
    writeBlockWord(marked, kReservedOffset + 4, 0xFFFFFFFF);
    TextList read = readForwardArguments(marked);
    ASSERT_GE(read.size(), 2u);
    EXPECT_EQ(read[0], u"one");
    EXPECT_EQ(read[1], u"two");
    EXPECT_LE(read.size(), kArgumentAreaSize / 2);
}

TEST(InstanceNames, FollowTheExecutablePath) {
    EXPECT_EQ(instanceBaseName(u"C:\\Program Files\\App\\app.exe"), u"C:_Program Files_App_app.exe");
    EXPECT_EQ(instanceBaseName(u"\\\\server\\share\\a.exe"), u"__server_share_a.exe");
    EXPECT_EQ(mainStartedEventName(u"C:_a.exe"), u"C:_a.exe_upr_evt");
    EXPECT_NE(forwardLockName(u"x"), forwardTakenName(u"x"));

    const std::string name = instanceSocketName(u"/opt/app/bin/app", 1000);
    EXPECT_EQ(name, instanceSocketName(u"/opt/app/bin/app", 1000));
    EXPECT_NE(name, instanceSocketName(u"/opt/app/bin/app2", 1000));
    EXPECT_NE(name, instanceSocketName(u"/opt/app/bin/app", 1001));
    // Paths differing only in a byte's high half still differ.
    EXPECT_NE(instanceSocketName(u"/a\u0141", 0), instanceSocketName(u"/a\u0041", 0));
    // However long the path, the name fits a socket address (107 bytes).
    EXPECT_LT(instanceSocketName(std::u16string(4000, u'd'), 4294967295u).size(), 107u);
}

// Hand-over and give-up race for one slot: whichever comes first decides,
// and a decision for one launch never touches another launch's slot.
struct SlotStep {
    bool claim; // the primary claims, else the secondary withdraws
    uint32_t sender;
    bool succeeds;
};

struct SlotCase {
    const char* name;
    std::vector<SlotStep> steps;
    bool slotKept; // the arguments are still in the block afterwards
};

void PrintTo(const SlotCase& c, std::ostream* out) { *out << c.name; }

class ForwardSlot : public ::testing::TestWithParam<SlotCase> {};

TEST_P(ForwardSlot, OneDecisionPerSlot) {
    alignas(uint32_t) Block block{};
    ASSERT_TRUE(writeForwardArguments(block, {u"doc.txt"}));
    writeBlockWord(block, kSenderThreadOffset, 100);
    for (const SlotStep& step : GetParam().steps) {
        bool done = step.claim ? claimForwardSlot(block, step.sender) : withdrawForwardSlot(block, step.sender);
        EXPECT_EQ(done, step.succeeds) << (step.claim ? "claim " : "withdraw ") << step.sender;
    }
    EXPECT_EQ(readForwardArguments(block), GetParam().slotKept ? TextList{u"doc.txt"} : TextList{u""});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ForwardSlot,
    ::testing::Values(SlotCase{"ClaimThenGiveUpFails", {{true, 100, true}, {false, 100, false}}, true},
                      SlotCase{"GiveUpThenClaimFails", {{false, 100, true}, {true, 100, false}}, false},
                      SlotCase{"ClaimedOnlyOnce", {{true, 100, true}, {true, 100, false}}, true},
                      SlotCase{"AnotherLaunchsMessageIsIgnored", {{true, 200, false}, {false, 200, false}}, true},
                      SlotCase{"NoSenderMatchesAnEmptyOrClaimedMark",
                               {{true, 0, false}, {true, kSlotClaimed, false}, {false, kSlotClaimed, false}},
                               true}),
    [](const ::testing::TestParamInfo<SlotCase>& info) { return std::string(info.param.name); });

// A slot that no launch wrote (sender mark 0): a message with sender 0, or
// with any thread's id, claims nothing.
TEST(ForwardSlot, EmptySlotIsClaimedByNoMessage) {
    alignas(uint32_t) Block block{};
    for (uint32_t sender : {0u, 100u, kSlotClaimed}) EXPECT_FALSE(claimForwardSlot(block, sender)) << sender;
    EXPECT_EQ(readBlockWord(block, kSenderThreadOffset), 0u);
}

TEST(ForwardSlot, NextLaunchWritesAfterAGiveUpAndIsServed) {
    alignas(uint32_t) Block block{};
    writeForwardArguments(block, {u"first"});
    writeBlockWord(block, kSenderThreadOffset, 100);
    ASSERT_TRUE(withdrawForwardSlot(block, 100));
    writeForwardArguments(block, {u"second"});
    writeBlockWord(block, kSenderThreadOffset, 200);
    // The first launch's late message finds the slot another's.
    EXPECT_FALSE(claimForwardSlot(block, 100));
    EXPECT_TRUE(claimForwardSlot(block, 200));
    EXPECT_EQ(readForwardArguments(block), TextList{u"second"});
}

} // namespace
} // namespace launcher
