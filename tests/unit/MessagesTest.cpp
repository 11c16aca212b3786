#include "base/Messages.h"

#include <gtest/gtest.h>

#include <string>

namespace launcher {
namespace {

struct TableEntry {
    int id;
    std::u16string text;
};

// The table as the resource script and the Linux build both read it.
#define MESSAGE(id, text) TableEntry{id, u##text},
const TableEntry kTable[] = {
#include "messages.def"
};
#undef MESSAGE

TEST(LoadMessageTest, EveryIdOfTheTableLoadsItsText) {
    ASSERT_EQ(std::size(kTable), 61u);
    int previousId = 201;
    for (const TableEntry& entry : kTable) {
        EXPECT_GT(entry.id, previousId);
        previousId = entry.id;
        EXPECT_EQ(loadMessage(static_cast<MessageId>(entry.id)), entry.text) << "id " << entry.id;
    }
}

TEST(LoadMessageTest, TextsKeepTheirLineFeedsAndDoubleBlanks) {
    EXPECT_EQ(loadMessage(MessageId::JniException), u"JNI exception: %s\nReason: %s.\n");
    EXPECT_NE(loadMessage(MessageId::JreNotFound).find(u"Please  download"), std::u16string::npos);
    EXPECT_NE(loadMessage(MessageId::JreNotFoundServer).find(u"Please  download"), std::u16string::npos);
}

TEST(LoadMessageTest, IdsOutsideTheTableAreEmpty) {
    for (int id : {0, 1, 201, 231, 300, 9000, 0xFFFF}) {
        EXPECT_EQ(loadMessage(static_cast<MessageId>(id)), u"") << "id " << id;
    }
}

TEST(WindowsErrorTextTest, StepTextAndSignedCode) {
    struct Case {
        MessageId step;
        long long code;
        const char16_t* text;
    };
    const Case cases[] = {
        {MessageId::ModulePathFailed, 122, u"Windows exception: failed to get the module path (errno = 122).\n"},
        {MessageId::CreateJavaVmMissing, 127, u"Windows exception: cannot find CreateJavaVM JNI (errno = 127).\n"},
        {MessageId::CreateJavaVmMissing, 0, u"Windows exception: cannot find CreateJavaVM JNI (errno = 0).\n"},
        {MessageId::ModulePathFailed, -2147024894LL,
         u"Windows exception: failed to get the module path (errno = -2147024894).\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(windowsErrorText(c.step, c.code), c.text) << c.code;
}

TEST(JniErrorTextTest, EachCodeHasItsReason) {
    struct Case {
        int code;
        const char16_t* reason;
    };
    const Case cases[] = {
        {-1, u"unknown"},
        {-2, u"thread detached from VM"},
        {-3, u"JNI version error"},
        {-4, u"not enough memory"},
        {-5, u"VM already created"},
        {-6, u"invalid arguments"},
        // Codes without a JNI constant still show the message, with no reason.
        {-7, u""},
        {0, u""},
        {1, u""},
        {-100, u""},
    };
    for (const Case& c : cases) {
        std::u16string expected = u"JNI exception: failed to create the Java VM\nReason: ";
        expected += c.reason;
        expected += u".\n";
        EXPECT_EQ(jniErrorText(MessageId::CreateJavaVmFailed, c.code), expected) << "code " << c.code;
    }
}

} // namespace
} // namespace launcher
