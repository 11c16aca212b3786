#include "jvm/RuntimeOutput.h"

#include "base/Platform.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace launcher {
namespace {

TEST(RuntimeOutput, OnlyTheCachesNoticeIsTakenOut) {
    EXPECT_TRUE(isCacheNotice(" AOTConfiguration recorded: /home/u/.cache/App/app-1.aotconf.12.tmp\n"));
    EXPECT_TRUE(isCacheNotice("AOTConfiguration recorded: x"));
    for (const char* kept : {"", "\n", "to standard output\n", "[0.1s][info][aot] AOTConfiguration recorded",
                             "Error: AOTConfiguration file not found\n", " AOTCache creation is complete"}) {
        EXPECT_FALSE(isCacheNotice(kept)) << kept;
    }
}

std::string format(const char* text, ...) {
    va_list arguments;
    va_start(arguments, text);
    std::string result = formatRuntimeText(text, arguments);
    va_end(arguments);
    return result;
}

TEST(RuntimeOutput, FormatsWhateverTheLength) {
    const std::string line(5000, 'x');
    EXPECT_EQ(format("%.*s", 3, "abcdef"), "abc");
    EXPECT_EQ(format("%s=%d\n", line.c_str(), -7), line + "=-7\n");
    EXPECT_EQ(format("%s", ""), "");
}

std::string printedThroughTheHook(const char* text, ...) {
    std::FILE* stream = std::tmpfile();
    va_list arguments;
    va_start(arguments, text);
    filteringPrintHook(stream, text, arguments);
    va_end(arguments);
    std::rewind(stream);
    std::string written;
    for (int c; (c = std::fgetc(stream)) != EOF;) written.push_back(static_cast<char>(c));
    std::fclose(stream);
    return written;
}

TEST(RuntimeOutput, TheHookPassesEverythingElse) {
    if (kWindows) GTEST_SKIP() << "the hook writes to streams of the runtime's own C library";
    EXPECT_EQ(printedThroughTheHook("%.*s", 7, "[info] logged"), "[info] ");
    EXPECT_EQ(printedThroughTheHook(" AOTConfiguration recorded: %s\n", "app.aotconf"), "");
    EXPECT_EQ(printedThroughTheHook("%s\n", "Error occurred during initialization of VM"),
              "Error occurred during initialization of VM\n");
}

} // namespace
} // namespace launcher
