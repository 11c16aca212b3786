// The variables an elevated start may expand, as Windows (here Wine) keeps
// them: the machine's environment key, with its references expanded, and
// the folders the system sets.

#include "base/TrustedExpansion.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <map>

namespace launcher {
namespace {

TEST(SystemVariables, ReadFromTheMachineKeyAndTheSystem) {
    std::map<std::u16string, TrustedVariable> found;
    for (const TrustedVariable& v : readSystemVariables()) {
        std::u16string key = v.name;
        for (char16_t& c : key) c = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
        found[key] = v;
    }
    wchar_t windows[MAX_PATH] = {};
    ASSERT_GT(GetSystemWindowsDirectoryW(windows, MAX_PATH), 0u);
    ASSERT_TRUE(found.count(u"SYSTEMROOT"));
    EXPECT_TRUE(equalsIgnoreCase(found[u"SYSTEMROOT"].value, reinterpret_cast<const char16_t*>(windows)));
    EXPECT_EQ(found[u"SYSTEMROOT"].origin, VariableOrigin::System);
    for (const char16_t* name : {u"PROGRAMFILES", u"PROGRAMDATA", u"COMPUTERNAME", u"PATH"}) {
        ASSERT_TRUE(found.count(name)) << toUtf8(name);
        EXPECT_FALSE(found[name].value.empty()) << toUtf8(name);
        // Stored as "%SystemDrive%\ProgramData" or "%SystemRoot%\system32;...".
        EXPECT_EQ(found[name].value.find(u"%System"), std::u16string::npos) << toUtf8(found[name].value);
    }
    EXPECT_EQ(found[u"PATH"].origin, VariableOrigin::Machine);
}

} // namespace
} // namespace launcher
