#include "base/Messages.h"

#include <gtest/gtest.h>

#include <errno.h>

#include <string>

namespace launcher {
namespace {

std::string shown(std::u16string_view text) {
    testing::internal::CaptureStderr();
    int answer = showError(nullptr, text);
    std::string line = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, 1);
    return line;
}

// Without a message box, an error is one line on standard error that names
// the program, the way command-line tools report.
TEST(ShowErrorTest, OneLineNamedAfterTheProgram) {
    const std::string program = program_invocation_short_name;
    EXPECT_EQ(shown(u"Main class was not specified in INI file."),
              program + ": Main class was not specified in INI file.\n");
    EXPECT_EQ(shown(u"JNI exception: failed\nReason: unknown.\n"), program + ": JNI exception: failed Reason: unknown.\n");
    EXPECT_EQ(shown(u"a\r\n\r\n"), program + ": a\n");
    EXPECT_EQ(shown(u"\u00FCber"), program + ": \xC3\xBC" "ber\n");
    EXPECT_EQ(shown(u""), program + ": \n");
}

TEST(ShowErrorTest, MessagesByIdAndFormatted) {
    const std::string program = program_invocation_short_name;
    testing::internal::CaptureStderr();
    showError(nullptr, MessageId::ClassPathMissing);
    showFormattedError(nullptr, MessageId::MainClassNotFound, u"com/example/Main");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              program + ": Java Class Path was not specified in INI file.\n" + program +
                  ": Could not find the main class com/example/Main.\n");
}

} // namespace
} // namespace launcher
