// The exception dialog shown in this process: a megabyte of stack trace is
// shown whole, with every line break, and the answer is what was pressed.

#include "support/DialogProbe.win32.h"
#include "support/WindowProbe.win32.h"
#include "ui/DialogIds.h"
#include "ui/ExceptionPrompt.h"

#include <gtest/gtest.h>

#include <future>

namespace launcher {
namespace {

struct Press {
    const char* name;
    WPARAM command;
    ExceptionAnswer answer;
};

class ExceptionPrompt : public ::testing::TestWithParam<Press> {};

TEST_P(ExceptionPrompt, ShowsAMegabyteTraceAndAnswersAsPressed) {
    std::u16string trace;
    const std::u16string line = u"\tat com.example.Deep.call(Deep.java:42)\n";
    while (trace.size() < 1024 * 1024) trace += line;
    const size_t lines = trace.size() / line.size();
    auto answer = std::async(std::launch::async, [&trace] { return askAboutException(trace); });

    HWND dialog = test::waitForProcessWindow(GetCurrentProcessId(), L"#32770", 30000);
    ASSERT_NE(dialog, nullptr);
    HWND edit = test::dialogControl(dialog, dialog::kTraceEdit);
    // Each "\n" is shown as a line break of the control's own kind.
    EXPECT_EQ(static_cast<size_t>(test::sendWithin(edit, WM_GETTEXTLENGTH)), trace.size() + lines);
    EXPECT_EQ(static_cast<size_t>(test::sendWithin(edit, EM_GETLINECOUNT)), lines + 1);
    PostMessageW(dialog, WM_COMMAND, GetParam().command, 0);
    ASSERT_EQ(answer.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(answer.get(), GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(Presses, ExceptionPrompt,
                         ::testing::Values(Press{"Ignore", IDOK, ExceptionAnswer::Ignore},
                                           Press{"Stop", IDCANCEL, ExceptionAnswer::Stop}),
                         [](const ::testing::TestParamInfo<Press>& info) { return std::string(info.param.name); });

} // namespace
} // namespace launcher
