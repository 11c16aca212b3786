// Signing for real: with the osslsigncode installed here and with Debian
// 12's 2.5 (which scripts/setup unpacks into the build tree), with a key in
// a SoftHSM token, and through signing commands; each signature verified by
// osslsigncode against the test certificate, and no file left behind. The
// application's own executables are signed too, the runtime's are not.

#include "FileIo.h"
#include "PackCommand.h"
#include "SyntheticPe.h"
#include "ToolProcess.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

namespace launcher::pack {
namespace {

using launcher::test::EnvironmentOverride;
using launcher::test::writeBytes;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
std::u16string wide(const fs::path& path) { return fromUtf8(path.string()); }

class SigningTools : public testing::Test {
protected:
    launcher::test::TempFolder folder;
    fs::path dir = folder.path();
    EnvironmentOverride tmp{u"TMPDIR", wide(dir / "tmp")}; // where the password file goes
    std::optional<fs::path> osslsigncode = findTool("osslsigncode"), openssl = findTool("openssl");
    std::string out, err;

    void SetUp() override {
        fs::create_directories(dir / "tmp");
        test::SyntheticPe pe;
        pe.resources = {test::resource(kRtVersion, 1, 0x409, "old")};
        Bytes bytes = pe.build();
        writeBytes(dir / "launcher.exe", std::string(bytes.begin(), bytes.end()));
        if (!osslsigncode || !openssl || !findTool("wixl")) GTEST_SKIP() << "osslsigncode, openssl or wixl is missing: scripts/setup installs them";
        ASSERT_EQ(tool(*openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=Launcher Test Signer/O=ACME, Inc.",
                                  "-days", "30", "-keyout", "key.pem", "-out", "cert.pem"}), 0);
        ASSERT_EQ(tool(*openssl, {"pkcs12", "-export", "-inkey", "key.pem", "-in", "cert.pem", "-out", "empty.p12", "-passout", "pass:"}), 0);
        ASSERT_EQ(tool(*openssl, {"pkcs12", "-export", "-inkey", "key.pem", "-in", "cert.pem", "-out", "secret.p12", "-passout",
                                  "pass:s3cret word"}), 0);
    }
    // Runs a tool on the files in dir ("key.pem" stands for dir/key.pem).
    int tool(const fs::path& program, std::vector<std::string> arguments) {
        for (std::string& a : arguments) {
            for (const char* kind : {".pem", ".p12", ".msi", ".exe"}) {
                if (a.ends_with(kind) && !a.starts_with("/")) a = (dir / a).string();
            }
        }
        ToolRun run = runTool(program, arguments);
        out = run.output;
        return run.exitCode;
    }
    int pack(std::vector<std::string> signing) {
        std::vector<std::string> arguments = {"--launcher", (dir / "launcher.exe").string(), "--name", "Viewer", "--dest",
                                              (dir / "out").string(), "--msi", (dir / "Viewer.msi").string(), "--msi-upgrade-code",
                                              "8c5a1e2b-0f3d-4a6e-9b71-2d4c6e8f0a13", "--app-version", "1.0.0.0", "--about-url",
                                              "https://acme.example/about"};
        arguments.insert(arguments.end(), signing.begin(), signing.end());
        std::ostringstream o, e;
        int code = runLauncherPack(arguments, o, e);
        out = o.str();
        err = e.str();
        return code;
    }
    // Both results carry a signature that the test certificate verifies,
    // naming the product and its address.
    void expectSigned() {
        for (const char* file : {"out/Viewer.exe", "Viewer.msi"}) {
            EXPECT_EQ(tool(*osslsigncode, {"verify", "-CAfile", "cert.pem", "-in", file}), 0) << file << ": " << out;
            EXPECT_TRUE(contains(out, "Text description: Viewer") && contains(out, "URL description: https://acme.example/about")) << out;
        }
    }
    void expectNothingWritten() {
        EXPECT_FALSE(fs::exists(dir / "out"));
        EXPECT_FALSE(fs::exists(dir / "Viewer.msi"));
        EXPECT_TRUE(fs::is_empty(dir / "tmp"));
    }
};

struct Version {
    const char* name;
    bool fetched; // the 2.5 that scripts/setup unpacks, first on PATH
};
class SigningVersions : public SigningTools, public testing::WithParamInterface<Version> {
protected:
    void SetUp() override {
        SigningTools::SetUp();
        fs::path bin = launcher::test::buildFolder().parent_path() / "tools/osslsigncode-2.5/usr/bin";
        if (GetParam().fetched && !fs::exists(bin / "osslsigncode")) GTEST_SKIP() << bin << " is missing: scripts/setup fetches it";
        path.emplace(u"PATH", wide(GetParam().fetched ? bin : fs::path{}) + u":" + fromUtf8(std::getenv("PATH")));
    }
    std::optional<EnvironmentOverride> path;
};

TEST_P(SigningVersions, Pkcs12WithAndWithoutPassword) {
    ASSERT_EQ(pack({"--sign-pkcs12", (dir / "empty.p12").string()}), 0) << err;
    EXPECT_TRUE(contains(err, "warning: signing without --timestamp-url")) << err;
    expectSigned();
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
    fs::remove_all(dir / "out");
    fs::remove(dir / "Viewer.msi");

    EnvironmentOverride password(u"LAUNCHER_TEST_PASSWORD", u"wrong");
    EXPECT_EQ(pack({"--sign-pkcs12", (dir / "secret.p12").string(), "--sign-password-env", "LAUNCHER_TEST_PASSWORD"}), 1);
    EXPECT_TRUE(contains(err, "signing Viewer.exe: osslsigncode failed")) << err;
    expectNothingWritten();
    EnvironmentOverride right(u"LAUNCHER_TEST_PASSWORD", u"s3cret word");
    ASSERT_EQ(pack({"--sign-pkcs12", (dir / "secret.p12").string(), "--sign-password-env", "LAUNCHER_TEST_PASSWORD"}), 0) << err;
    expectSigned();
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
}

// An osslsigncode stand-in that reports what it was given and fails: the
// password comes through a pipe, no file ever holds it, and the variable
// it came from is not in the tool's environment.
TEST_F(SigningTools, PasswordThroughAPipe) {
    writeBytes(dir / "bin/osslsigncode", "#!/bin/sh\necho \"$@\" >\"" + (dir / "args").string() + "\"\nenv >\"" +
               (dir / "env").string() + "\"\nwhile [ $# -gt 1 ]; do\n  [ \"$1\" = -readpass ] && [ -p \"$2\" ] && cat \"$2\" >\"" +
               (dir / "pass").string() + "\"\n  shift\ndone\nexit 1\n");
    fs::permissions(dir / "bin/osslsigncode", fs::perms::owner_all);
    writeBytes(dir / "any.p12", "p12");
    EnvironmentOverride path(u"PATH", wide(dir / "bin") + u":/usr/bin:/bin");
    EnvironmentOverride password(u"LAUNCHER_TEST_PASSWORD", u"pa ss\u00e9");
    EXPECT_EQ(pack({"--sign-pkcs12", (dir / "any.p12").string(), "--sign-password-env", "LAUNCHER_TEST_PASSWORD"}), 1);
    EXPECT_EQ(launcher::test::readBytes(dir / "pass"), "pa ss\xC3\xA9");
    EXPECT_TRUE(contains(launcher::test::readBytes(dir / "args"), "-readpass /dev/fd/3 "));
    EXPECT_FALSE(contains(launcher::test::readBytes(dir / "env"), "LAUNCHER_TEST_PASSWORD"));
    expectNothingWritten();
    EnvironmentOverride empty(u"LAUNCHER_TEST_PASSWORD", u"");
    EXPECT_EQ(pack({"--sign-pkcs12", (dir / "any.p12").string(), "--sign-password-env", "LAUNCHER_TEST_PASSWORD"}), 1);
    EXPECT_FALSE(contains(launcher::test::readBytes(dir / "args"), "-readpass"));
}

// A PKCS#12 file encrypted the legacy way (RC2) signs while OpenSSL's legacy
// provider is at hand; without it (Debian 13 ships it apart) osslsigncode
// asks "Wrong password?", and the message says what to do instead.
TEST_P(SigningVersions, LegacyPkcs12) {
    if (tool(*openssl, {"pkcs12", "-export", "-legacy", "-inkey", "key.pem", "-in", "cert.pem", "-out", "legacy.p12", "-passout",
                        "pass:s3cret"}) != 0) {
        GTEST_SKIP() << "openssl cannot write a legacy PKCS#12 file here: " << out;
    }
    EnvironmentOverride password(u"LAUNCHER_TEST_PASSWORD", u"s3cret");
    std::vector<std::string> signing{"--sign-pkcs12", (dir / "legacy.p12").string(), "--sign-password-env", "LAUNCHER_TEST_PASSWORD"};
    ASSERT_EQ(pack(signing), 0) << err;
    expectSigned();
    fs::remove_all(dir / "out");
    fs::remove(dir / "Viewer.msi");
    fs::create_directories(dir / "no-providers");
    EnvironmentOverride modules(u"OPENSSL_MODULES", wide(dir / "no-providers"));
    EXPECT_EQ(pack(signing), 1);
    EXPECT_TRUE(contains(err, "signing Viewer.exe: " + (dir / "legacy.p12").string() + " is encrypted the legacy way (RC2") &&
                contains(err, "export the file again with AES") && contains(err, "openssl-provider-legacy") &&
                contains(err, "osslsigncode failed")) << err;
    expectNothingWritten();
    EnvironmentOverride wrong(u"LAUNCHER_TEST_PASSWORD", u"wrong");
    EXPECT_EQ(pack(signing), 1);
    EXPECT_TRUE(contains(err, "osslsigncode failed") && !contains(err, "legacy way")) << err;
}

// A signing tool that hangs (a PKCS#11 module waiting for its token) is
// stopped at the time limit, with a message, and nothing is written.
TEST_F(SigningTools, TimeLimit) {
    writeBytes(dir / "bin/osslsigncode", "#!/bin/sh\nsleep 120\n");
    fs::permissions(dir / "bin/osslsigncode", fs::perms::owner_all);
    writeBytes(dir / "any.p12", "p12");
    auto start = std::chrono::steady_clock::now();
    {
        EnvironmentOverride path(u"PATH", wide(dir / "bin") + u":/usr/bin:/bin");
        EXPECT_EQ(pack({"--sign-pkcs12", (dir / "any.p12").string(), "--sign-timeout", "1"}), 1);
    }
    EXPECT_TRUE(contains(err, "signing Viewer.exe: osslsigncode did not end within 1 seconds and was stopped")) << err;
    expectNothingWritten();
    EXPECT_EQ(pack({"--sign-command", "sh -c 'echo waiting for the token; sleep 120; true' sh {}", "--sign-timeout", "1"}), 1);
    EXPECT_TRUE(contains(err, "signing Viewer.exe: the signing command did not end within 1 seconds and was stopped") &&
                contains(err, "--sign-timeout SECONDS gives it longer): waiting for the token")) << err;
    expectNothingWritten();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

TEST_P(SigningVersions, HardwareKeyInASoftwareToken) {
    auto softhsm = findTool("softhsm2-util");
    fs::path module = "/usr/lib/softhsm/libsofthsm2.so";
    if (!softhsm || !fs::exists(module)) GTEST_SKIP() << "SoftHSM is missing: scripts/setup installs softhsm2";
    writeBytes(dir / "softhsm2.conf", "directories.tokendir = " + (dir / "tokens").string() + "\nobjectstore.backend = file\n");
    fs::create_directories(dir / "tokens");
    EnvironmentOverride conf(u"SOFTHSM2_CONF", wide(dir / "softhsm2.conf"));
    ASSERT_EQ(tool(*softhsm, {"--init-token", "--free", "--label", "Signing", "--so-pin", "1234", "--pin", "pin 5678"}), 0) << out;
    ASSERT_EQ(tool(*openssl, {"pkcs8", "-topk8", "-nocrypt", "-in", "key.pem", "-out", "key8.pem"}), 0) << out;
    ASSERT_EQ(tool(*softhsm, {"--import", "key8.pem", "--token", "Signing", "--label", "Code Key", "--id", "01", "--pin", "pin 5678"}), 0) << out;
    EnvironmentOverride pin(u"LAUNCHER_TEST_PIN", u"pin 5678");
    int code = pack({"--sign-pkcs11-module", module.string(), "--sign-key", "pkcs11:token=Signing;object=Code%20Key",
                     "--sign-cert", (dir / "cert.pem").string(), "--sign-password-env", "LAUNCHER_TEST_PIN"});
    if (code == 1 && contains(err, "PKCS#11 engine is not installed")) GTEST_SKIP() << err;
    ASSERT_EQ(code, 0) << err;
    expectSigned();
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
}

INSTANTIATE_TEST_SUITE_P(Osslsigncode, SigningVersions, testing::Values(Version{"Installed", false}, Version{"Fetched25", true}),
                         [](const testing::TestParamInfo<Version>& info) { return std::string(info.param.name); });

// The command sees each file under its final name; a command that fails or
// signs nothing leaves nothing written.
TEST_F(SigningTools, SigningCommand) {
    writeBytes(dir / "sign.sh", "#!/bin/sh\necho \"${2##*/}\" >>\"" + (dir / "seen").string() + "\"\n\"" + osslsigncode->string() +
                                    "\" sign -pkcs12 \"$1\" -n Viewer -i https://acme.example/about -in \"$2\" -out \"$2.new\" && mv \"$2.new\" \"$2\"\n");
    fs::permissions(dir / "sign.sh", fs::perms::owner_all);
    ASSERT_EQ(pack({"--sign-command", "sh '" + (dir / "sign.sh").string() + "' \"" + (dir / "empty.p12").string() + "\" {}"}), 0) << err;
    expectSigned();
    EXPECT_EQ(launcher::test::readBytes(dir / "seen"), "Viewer.exe\nViewer.msi\n");
    EXPECT_FALSE(contains(err, "warning")) << err;
    fs::remove_all(dir / "out");
    fs::remove(dir / "Viewer.msi");
    EXPECT_EQ(pack({"--sign-command", "sh -c 'echo no token; exit 4' {}"}), 1);
    EXPECT_TRUE(contains(err, "signing Viewer.exe: the signing command failed (exit code 4): no token")) << err;
    expectNothingWritten();
    EXPECT_EQ(pack({"--sign-command", "true {}"}), 1);
    EXPECT_TRUE(contains(err, "signing Viewer.exe: the signing command ended with exit code 0, but Viewer.exe carries no signature")) << err;
    expectNothingWritten();
}

TEST_F(SigningTools, ShowNamesSignerAndTimeStamp) {
    ASSERT_EQ(pack({"--sign-pkcs12", (dir / "empty.p12").string()}), 0) << err;
    auto show = [&](const char* file) {
        std::ostringstream o, e;
        EXPECT_EQ(runLauncherPack({"--show", (dir / file).string()}, o, e), 0) << e.str();
        return o.str();
    };
    for (const char* file : {"out/Viewer.exe", "Viewer.msi"}) {
        EXPECT_TRUE(contains(show(file), "signature: present\n  signer: /CN=Launcher Test Signer/O=ACME, Inc.\n  time stamp: none\n")) << show(file);
    }
    // A time stamp from osslsigncode's own offline authority (2.9 on).
    ASSERT_EQ(tool(*openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=Stamps", "-days", "30", "-addext",
                              "extendedKeyUsage=critical,timeStamping", "-keyout", "tsa-key.pem", "-out", "tsa.pem"}), 0);
    if (tool(*osslsigncode, {"add", "-TSA-certs", "tsa.pem", "-TSA-key", "tsa-key.pem", "-in", "Viewer.msi", "-out", "stamped.msi"}) == 0) {
        std::string shown = show("stamped.msi");
        EXPECT_TRUE(contains(shown, "  time stamp: ") && !contains(shown, "time stamp: none")) << shown;
    }
    EnvironmentOverride path(u"PATH", wide(dir / "tmp"));
    EXPECT_TRUE(contains(show("Viewer.msi"), "signature: present\n  details: need osslsigncode on PATH\n"));
}

// Every executable file of --input that carries no signature is signed,
// whatever its name; one its maker signed is left alone, and so are the
// runtime's files, which the output counts and --show lists.
TEST_F(SigningTools, SignsTheApplicationsExecutables) {
    Bytes bytes = test::SyntheticPe{}.build();
    std::string pe(bytes.begin(), bytes.end());
    for (const char* file : {"app/lib/native.dll", "app/bin/helper.exe", "app/lib/jni.so", "rt/bin/java.dll", "plain.dll"}) {
        writeBytes(dir / file, pe);
    }
    writeBytes(dir / "app/lib/notes.dll", "MZ, but a text");
    writeBytes(dir / "app/lib/app.jar", "PK");
    ASSERT_EQ(tool(*openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=Other Maker", "-days", "30", "-keyout",
                              "other-key.pem", "-out", "other.pem"}), 0);
    for (const char* file : {"app/lib/theirs.dll", "rt/bin/server/jvm.dll"}) {
        fs::create_directories((dir / file).parent_path());
        ASSERT_EQ(tool(*osslsigncode, {"sign", "-certs", "other.pem", "-key", "other-key.pem", "-in", (dir / "plain.dll").string(),
                                       "-out", (dir / file).string()}), 0) << out;
    }
    std::string theirs = launcher::test::readBytes(dir / "app/lib/theirs.dll");
    ASSERT_EQ(pack({"--sign-pkcs12", (dir / "empty.p12").string(), "--input", (dir / "app").string(), "--runtime", (dir / "rt").string()}),
              0) << err;
    std::string report = out;
    EXPECT_TRUE(contains(report, "launcher-pack: --input: signed 3 executable files; 1 was signed already and left alone\n")) << report;
    EXPECT_TRUE(contains(report, "launcher-pack: --runtime: 1 of its 2 executable files carry no signature")) << report;
    for (const char* file : {"out/lib/native.dll", "out/bin/helper.exe", "out/lib/jni.so"}) {
        EXPECT_EQ(tool(*osslsigncode, {"verify", "-CAfile", "cert.pem", "-in", (dir / file).string()}), 0) << file << ": " << out;
    }
    EXPECT_EQ(launcher::test::readBytes(dir / "out/lib/theirs.dll"), theirs);
    EXPECT_EQ(launcher::test::readBytes(dir / "out/lib/notes.dll"), "MZ, but a text");
    EXPECT_EQ(launcher::test::readBytes(dir / "out/jre64/bin/java.dll"), pe);
    EXPECT_EQ(launcher::test::readBytes(dir / "out/jre64/bin/server/jvm.dll"), launcher::test::readBytes(dir / "rt/bin/server/jvm.dll"));
    std::ostringstream o, e;
    ASSERT_EQ(runLauncherPack({"--show", (dir / "out").string()}, o, e), 0) << e.str();
    EXPECT_EQ(o.str(), "folder: " + (dir / "out").string() + "\nexecutable files: 7, signed: 6, unsigned: 1\nunsigned: jre64/bin/java.dll\n");
}

} // namespace
} // namespace launcher::pack
