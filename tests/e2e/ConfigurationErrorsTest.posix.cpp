// The Linux launcher, copied beside an INI as a vendor ships it, reports a
// broken configuration on standard error and exits with 255.

#include "base/ModulePath.h"
#include "base/PathText.h"
#include "support/ChildProcess.h"
#include "probe/StandinProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

class ShippedLauncher : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path exe = folder.path() / "viewer";

    void SetUp() override {
        fs::copy_file(test::builtLauncher(), exe);
        fs::permissions(exe, fs::perms::owner_all);
    }
    void writeIni(std::string_view text) { test::writeBytes(folder.path() / "viewer.ini", text); }
    test::ChildResult start(std::vector<std::string> arguments = {}) { return test::runChild(exe.string(), arguments); }
};

TEST_F(ShippedLauncher, IniWithoutMainClassPrintsTheMessageAndFails) {
    writeIni("[Java Runtime Environment]\nMinimum Version=1.8\n[Application]\nPair Product=pair\n");
    test::ChildResult result = start({"a", "b c"});
    EXPECT_EQ(result.exitCode, 255);
    EXPECT_EQ(result.err, "viewer: Main class was not specified in INI file.\n");
    EXPECT_EQ(result.out, "");
}

TEST_F(ShippedLauncher, MissingEmptyOrBinaryIniIsAMissingMainClass) {
    static const char binary[] = "\x7f" "ELF\x02\x01\x01\x00\x00[\xff\xfe=\x00\x00";
    for (std::string_view text : {std::string_view(), std::string_view(""), std::string_view(binary, sizeof binary - 1)}) {
        if (text.data() == nullptr) {
            fs::remove(folder.path() / "viewer.ini");
        } else {
            writeIni(text);
        }
        test::ChildResult result = start();
        EXPECT_EQ(result.exitCode, 255);
        EXPECT_EQ(result.err, "viewer: Main class was not specified in INI file.\n");
    }
}

TEST_F(ShippedLauncher, RenamedCopyReadsTheIniNamedAfterItself) {
    writeIni("[Java Runtime Environment]\nMain Class=demo.Main\n");
    fs::path other = folder.path() / "other";
    fs::copy_file(exe, other);
    test::ChildResult result = test::runChild(other.string(), {});
    EXPECT_EQ(result.exitCode, 255);
    EXPECT_EQ(result.err, "other: Main class was not specified in INI file.\n");
}

} // namespace
} // namespace launcher
