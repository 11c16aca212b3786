// %NAME% expansion in a start whose user sources are left out: only the
// machine's, the system's and the launcher's own variables, never a value
// from the environment the user wrote.

#include "base/Environment.h"
#include "base/Trace.h"
#include "base/TrustedExpansion.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

TEST(TrustedExpansion, OnlyVariablesTheUserCannotChangeAreExpanded) {
    const struct {
        std::u16string_view name;
        VariableOrigin origin;
        bool expanded;
    } cases[] = {
        {u"Path", VariableOrigin::Machine, true},
        {u"ANY_MACHINE_NAME", VariableOrigin::Machine, true},
        {u"SystemRoot", VariableOrigin::System, true},
        {u"SYSTEMROOT", VariableOrigin::System, true},
        {u"ProgramFiles(x86)", VariableOrigin::System, true},
        {u"COMPUTERNAME", VariableOrigin::System, true},
        {u"USERPROFILE", VariableOrigin::System, false}, // the user's own folder
        {u"TEMP", VariableOrigin::System, false},
        {u"QX_JVM_HOME", VariableOrigin::Launcher, true},
        {u"SystemRoot", VariableOrigin::Inherited, false},
        {u"Path", VariableOrigin::Inherited, false},
        {u"TOOLS", VariableOrigin::Inherited, false},
    };
    for (const auto& c : cases) EXPECT_EQ(mayExpandWhenElevated(c.name, c.origin), c.expanded) << toUtf8(c.name);
}

TEST(TrustedExpansion, TheValueComesFromWhereTheSystemKeepsIt) {
    test::EnvironmentOverride planted(u"QX_TEST_PLANTED", u"/home/ann/tools");
    test::EnvironmentOverride root(u"QX_TEST_ROOT", u"/home/ann/fake-root");
    expandOnlyTrustedVariables({{u"QX_TEST_ROOT", u"/real-root", VariableOrigin::System},
                                {u"QX_TEST_MACHINE", u"/opt", VariableOrigin::System},
                                {u"QX_TEST_MACHINE", u"/machine", VariableOrigin::Machine}});
    setEnvironmentVariable(u"QX_TEST_OWN", u"/jre");
    test::TempFolder folder;
    {
        test::EnvironmentOverride traced(u"QX_LAUNCHER_TRACE", folder.text(u"trace.log"));
        trace::enableFromEnvironment();
    }
    // The system's list does not hold QX_TEST_ROOT: it stays as written,
    // and never takes the environment's value either.
    EXPECT_EQ(expandEnvironmentCopy(u"%QX_TEST_PLANTED%;%qx_test_machine%;%QX_TEST_OWN%;%QX_TEST_ROOT%;%yyyy%"),
              u"%QX_TEST_PLANTED%;/machine;/jre;%QX_TEST_ROOT%;%yyyy%");
    trace::disable();
    // The trace names what the environment would have given, once.
    const std::string lines = test::readBytes(folder.path() / "trace.log");
    EXPECT_NE(lines.find("%QX_TEST_PLANTED% is not expanded"), std::string::npos) << lines;
    EXPECT_NE(lines.find("%QX_TEST_ROOT% is not expanded"), std::string::npos) << lines;
    EXPECT_EQ(lines.find("%yyyy%"), std::string::npos) << lines;
    unsetEnvironmentVariable(u"QX_TEST_OWN");
    EXPECT_EQ(expandEnvironmentCopy(u"%QX_TEST_OWN%"), u"%QX_TEST_OWN%");
    expandAllVariables();
    EXPECT_EQ(expandEnvironmentCopy(u"%QX_TEST_PLANTED%"), u"/home/ann/tools");
}

} // namespace
} // namespace launcher
