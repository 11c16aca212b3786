// Signing on Windows: the password file that osslsigncode reads there, and
// signing commands that cmd.exe would read once more.

#include "FileIo.h"
#include "PackCommand.h"
#include "SecretFile.h"
#include "SyntheticPe.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace launcher::pack {
namespace {

TEST(SigningOnWindows, SecretFileLastsAsLongAsItsOwner) {
    fs::path first;
    {
        SecretFile secret("pa ss\xC3\xA9"), other("");
        first = secret.path();
        EXPECT_EQ(launcher::test::readBytes(first), "pa ss\xC3\xA9");
        EXPECT_NE(other.path(), first);
        EXPECT_EQ(first.parent_path(), other.path().parent_path());
    }
    EXPECT_FALSE(fs::exists(first));
}

// A batch file (and cmd.exe itself) would see "&" and "%" in the file's
// path as commands and variables: refused before anything is written.
TEST(SigningOnWindows, CommandsThroughCmdAreRefused) {
    launcher::test::TempFolder folder;
    fs::path dir = folder.path();
    Bytes bytes = test::SyntheticPe{}.build();
    launcher::test::writeBytes(dir / "launcher.exe", std::string(bytes.begin(), bytes.end()));
    for (const char* script : {"sign.bat", "sign.CMD"}) launcher::test::writeBytes(dir / script, "@exit /b 0\r\n");
    for (const std::string& command : {"'" + displayPath(dir / "sign.bat") + "' {}", "'" + displayPath(dir / "sign.CMD") + "' {}",
                                       std::string("cmd /c echo {}")}) {
        std::ostringstream out, err;
        EXPECT_EQ(runLauncherPack({"--launcher", displayPath(dir / "launcher.exe"), "--name", "Tom & Jerry", "--dest",
                                   displayPath(dir / "out"), "--sign-command", command},
                                  out, err),
                  2) << command;
        EXPECT_NE(err.str().find("runs through cmd.exe, which reads & | < > ^ and % in the file's path"), std::string::npos)
            << err.str();
        EXPECT_FALSE(fs::exists(dir / "out"));
    }
}

} // namespace
} // namespace launcher::pack
