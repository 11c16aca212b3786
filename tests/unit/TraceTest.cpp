// The launch trace: where it goes, how a line looks, and that a sink which
// cannot be opened leaves the launch untraced rather than failing it.

#include "base/Platform.h"
#include "base/Trace.h"
#include "config/SettingTrace.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

struct SinkCase {
    const char* label;
    std::optional<std::u16string> value;
    trace::SinkKind kind;
    std::u16string path;
};

TEST(TraceSink, ValueChoosesWhereTheTraceGoes) {
    test::EnvironmentOverride folder(u"QX_TRACE_TEST_FOLDER", u"/logs");
    const SinkCase cases[] = {
        {"unset", std::nullopt, trace::SinkKind::None, u""},
        {"empty", u"", trace::SinkKind::None, u""},
        {"one", u"1", trace::SinkKind::StandardError, u""},
        {"stderr", u"stderr", trace::SinkKind::StandardError, u""},
        {"a file", u"trace.log", trace::SinkKind::File, u"trace.log"},
        {"references expanded", u"%QX_TRACE_TEST_FOLDER%/t.log", trace::SinkKind::File, u"/logs/t.log"},
        {"unknown reference kept", u"%QX_TRACE_NOT_SET%/t.log", trace::SinkKind::File, u"%QX_TRACE_NOT_SET%/t.log"},
    };
    for (const SinkCase& c : cases) {
        trace::SinkChoice choice = trace::chooseSink(c.value);
        EXPECT_EQ(choice.kind, c.kind) << c.label;
        EXPECT_EQ(choice.path, c.path) << c.label;
    }
}

// An elevated process traces only to a standard error of its own, and
// never expands or opens the file the user's variable names.
TEST(TraceSink, AnElevatedProcessRefusesATraceFile) {
    struct Case {
        const char* label;
        std::u16string value;
        bool standardErrorIsOwn;
        trace::SinkKind kind;
    } cases[] = {
        {"stderr of the console variant", u"stderr", true, trace::SinkKind::StandardError},
        {"1 of the console variant", u"1", true, trace::SinkKind::StandardError},
        {"stderr of the windowed variant", u"stderr", false, trace::SinkKind::None},
        {"a file", u"C:\\Windows\\System32\\x.dll", true, trace::SinkKind::None},
        {"a file, windowed", u"trace.log", false, trace::SinkKind::None},
        {"a reference", u"%QX_TRACE_TEST_FOLDER%/t.log", true, trace::SinkKind::None},
    };
    for (const Case& c : cases) {
        const trace::SinkChoice choice = trace::chooseSink(c.value, {true, c.standardErrorIsOwn});
        EXPECT_EQ(choice.kind, c.kind) << c.label;
        EXPECT_EQ(choice.path, u"") << c.label;
        // A refused trace says why.
        EXPECT_EQ(choice.refusal.empty(), c.kind != trace::SinkKind::None) << c.label;
    }
    EXPECT_EQ(trace::chooseSink(std::nullopt, {true, true}).refusal, u"");
    EXPECT_EQ(trace::chooseSink(u"t.log", {false, false}).kind, trace::SinkKind::File);
}

TEST(TraceLine, OffsetProcessAndTextOnOneLine) {
    EXPECT_EQ(trace::formatLine(12, 4242, u"INI file: a.ini"), "    12 ms [4242] INI file: a.ini\n");
    EXPECT_EQ(trace::formatLine(1234567, 1, u"x"), "1234567 ms [1] x\n");
    // A value with line breaks or tabs stays on its line.
    EXPECT_EQ(trace::formatLine(0, 7, u"a\r\nb\tc"), "     0 ms [7] a\\x0d\\x0ab\\x09c\n");
    EXPECT_EQ(trace::formatLine(0, 7, u"Gr\u00fc\u00dfe"), "     0 ms [7] Gr\xc3\xbc\xc3\x9f" "e\n");
}

// Enables tracing into a file for the test's duration.
class TraceToFile {
public:
    explicit TraceToFile(const fs::path& file) : variable_(u"QX_LAUNCHER_TRACE", file.u16string()) {
        trace::enableFromEnvironment();
    }
    ~TraceToFile() { trace::disable(); }

private:
    test::EnvironmentOverride variable_;
};

TEST(TraceSink, FileIsAppendedLineByLine) {
    test::TempFolder folder;
    fs::path file = folder.path() / "trace.log";
    test::writeBytes(file, "earlier\n");
    {
        TraceToFile tracing(file);
        ASSERT_TRUE(trace::on());
        trace::say({u"first ", u"line"});
        trace::line(u"second");
    }
    EXPECT_FALSE(trace::on());
    trace::line(u"after disable");
    std::string text = test::readBytes(file);
    ASSERT_EQ(text.rfind("earlier\n", 0), 0u) << text;
    EXPECT_NE(text.find("] first line\n"), std::string::npos) << text;
    EXPECT_LT(text.find("first line"), text.find("] second\n"));
    EXPECT_EQ(text.find("after disable"), std::string::npos);
}

TEST(TraceSink, UnusablePathsLeaveTracingOff) {
    test::TempFolder folder;
    for (fs::path bad : {folder.path() / "missing folder" / "trace.log", folder.path()}) {
        TraceToFile tracing(bad);
        EXPECT_FALSE(trace::on()) << bad;
        trace::line(u"nowhere to go");
    }
    test::EnvironmentOverride unset(u"QX_LAUNCHER_TRACE", std::nullopt);
    trace::enableFromEnvironment();
    EXPECT_FALSE(trace::on());
}

TEST(TraceSink, PathLongerThanTheClassicLimitIsWritten) {
    test::TempFolder folder;
    fs::path deep = folder.path();
    while (deep.u16string().size() < 280) deep /= "deeper-folder";
    // Windows makes a folder this deep only through the long-path form.
    fs::create_directories(kWindows ? fs::path(u"\\\\?\\" + deep.u16string()) : deep);
    {
        TraceToFile tracing(deep / "trace.log");
        ASSERT_TRUE(trace::on());
        trace::line(u"deep");
    }
    fs::path readable = kWindows ? fs::path(u"\\\\?\\" + (deep / "trace.log").u16string()) : deep / "trace.log";
    EXPECT_NE(test::readBytes(readable).find("] deep\n"), std::string::npos);
}

TEST(SettingTrace, EachSourceIsNamed) {
    struct Case {
        SettingSource source;
        std::u16string value;
        std::u16string expected;
    } cases[] = {
        {SettingSource::File, u"-Xmx1g", u"setting [S] K = \"-Xmx1g\" from /app/v.ini"},
        {SettingSource::Embedded, u"x", u"setting [S] K = \"x\" from the embedded configuration"},
        {SettingSource::Extended, u"a b", u"setting [S] K = \"a b\" from the embedded configuration, extended by [S+] of /app/v.ini"},
        {SettingSource::Unset, u"", u"setting [S] K: not set, the default applies"},
    };
    for (const Case& c : cases) EXPECT_EQ(settingTraceText(u"S", u"K", c.value, c.source, u"/app/v.ini"), c.expected);
}

} // namespace
} // namespace launcher
