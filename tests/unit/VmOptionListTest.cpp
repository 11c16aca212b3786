// The whole option step: the order of the options the runtime gets, their
// narrow encoding, the stack size and the "Cmd" arguments.

#include "vmopts/VmOptionsBuilder.h"

#include "base/Platform.h"
#include "config/IniSectionMap.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

class VmOptionsTest : public testing::Test {
protected:
    void SetUp() override {
        test::writeBytes(temp_.path() / "lib" / "a.jar", "x");
        module_ = temp_.text(u"run.exe");
        jar_ = temp_.text(u"lib") + kPathSeparator + u"a.jar";
    }
    std::vector<std::string> narrow(const TextList& options) const {
        std::vector<std::string> out;
        for (const std::u16string& option : options) out.push_back(toNarrow(option));
        return out;
    }

    test::TempFolder temp_;
    std::u16string module_;
    std::u16string jar_;
    test::EnvironmentOverride two_{u"LAUNCHER_VMTEST_TWO", u"-Da=1 -Db=2"};
    test::EnvironmentOverride empty_{u"LAUNCHER_VMTEST_EMPTY", u""};
};

TEST_F(VmOptionsTest, ClassPathThenParametersAfterEarlierOptions) {
    VmOptionList options;
    options.append(u"-Djava.library.path=x");
    VmOptionSettings settings{
        u"lib" + std::u16string(1, kPathSeparator) + u"*.jar", u"yEs",
        u" %LAUNCHER_VMTEST_TWO%  \"-Dq=a b\" -Xss2m %LAUNCHER_VMTEST_EMPTY% \"\" -Xmx50P -Dn=\u00e9\u20ac -Xss1m ",
        u"one \"two three\" \"\" %LAUNCHER_VMTEST_TWO%"};
    VmOptionsOutcome outcome = buildVmOptions(settings, module_, {uint64_t{16} << 30, 0}, options);

    EXPECT_FALSE(outcome.classPathMissing);
    const std::u16string separator(1, kListSeparator);
    EXPECT_EQ(options.entries(),
              narrow({u"-Djava.library.path=x", u"-Djava.class.path=" + module_ + separator + jar_ + separator,
                      u"-Da=1 -Db=2", u"-Dq=a b", u"-Xss2m", u"-Xmx8388608K", u"-Dn=\u00e9\u20ac", u"-Xss1m"}));
    EXPECT_EQ(outcome.stackSize, 1048576u);
    EXPECT_EQ(outcome.cmdArguments, (TextList{u"one", u"two three", u"-Da=1", u"-Db=2"}));
    // The option the "Library Path" setting made is not the parameters'.
    EXPECT_TRUE(outcome.libraryPathFolders.empty());
}

TEST_F(VmOptionsTest, LibraryPathOfTheParametersIsExpandedForTheSearch) {
    test::EnvironmentOverride native{u"LAUNCHER_VMTEST_NATIVE", module_ + u"native"};
    VmOptionList options;
    VmOptionsOutcome outcome =
        buildVmOptions({u"lib" + std::u16string(1, kPathSeparator) + u"*.jar", u"", u"\"-Djava.library.path=%LAUNCHER_VMTEST_NATIVE%\"", u""},
                       module_, {}, options);
    EXPECT_EQ(outcome.libraryPathFolders, TextList{module_ + u"native"});
}

TEST_F(VmOptionsTest, EmptyClassPathAddsNothingAndSkipsTheRest) {
    VmOptionList options;
    options.append(u"-Djava.library.path=x");
    VmOptionsOutcome outcome =
        buildVmOptions({u";nothere.jar;;", u"no", u"-Xss2m -Dx=1", u"arg"}, module_, {}, options);
    EXPECT_TRUE(outcome.classPathMissing);
    EXPECT_EQ(options.size(), 1u);
    EXPECT_EQ(outcome.stackSize, 0u);
    EXPECT_TRUE(outcome.cmdArguments.empty());
}

TEST(ReadVmOptionSettings, KeysAndSections) {
    IniSectionMap ini;
    ini.loadFromText(u"[Class Path]\r\nClass Path=a.jar\r\n[Application]\r\nEmbedded Jar=Yes\r\nCmd=x y\r\n"
                     u"[Java Runtime Environment]\r\nVirtual Machine Parameters=-Xmx1g\r\n");
    VmOptionSettings settings = readVmOptionSettings(ini);
    EXPECT_EQ(settings.classPath, u"a.jar");
    EXPECT_EQ(settings.embeddedJar, u"Yes");
    EXPECT_EQ(settings.vmParameters, u"-Xmx1g");
    EXPECT_EQ(settings.cmd, u"x y");
    EXPECT_EQ(readVmOptionSettings(*std::make_unique<IniSectionMap>()).classPath, u"");
}

} // namespace
} // namespace launcher
