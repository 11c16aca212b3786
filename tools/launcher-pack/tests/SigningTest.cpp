// The pure parts of signing: a signing command split into words, PKCS#11
// URIs, osslsigncode's arguments and what its report says, PKCS#12 files
// that need OpenSSL's legacy provider, and which files of a folder are
// executables that carry no signature.

#include "ExecutableFiles.h"
#include "Pkcs11Uri.h"
#include "Pkcs12File.h"
#include "ShowReport.h"
#include "Signing.h"
#include "SyntheticPe.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher::pack {
namespace {

using Words = std::vector<std::string>;

TEST(Signing, CommandWordsAsAShellSplitsThem) {
    for (const auto& [text, words] : std::vector<std::pair<std::string, Words>>{
             {"signtool sign /fd SHA256  {}", {"signtool", "sign", "/fd", "SHA256", "{}"}},
             {"'C:\\Program Files\\signer.exe' --in=\"{}\"", {"C:\\Program Files\\signer.exe", "--in={}"}},
             {"a\\ b \"c \\\"d\\\" \\\\ \\e\" '' x", {"a b", "c \"d\" \\ \\e", "", "x"}},
             {"a'b'\"c\"d \\\n e\t\n", {"abcd", "e"}},
             {"'it''s' \"\\$HOME\" '$x' \\$y", {"its", "$HOME", "$x", "$y"}}}) {
        EXPECT_EQ(splitCommandWords(text), words) << text;
    }
    for (const char* text : {"a 'b", "a \"b", "a \\", "sign {} | tee log", "sign {} > log", "x $HOME {}", "a;b", "`x` {}",
                             "sign {} && echo", "\"`x`\""}) {
        EXPECT_THROW(splitCommandWords(text), PackError) << text;
    }
    EXPECT_EQ(withFile({"--file={}", "{}", "{}{}", "x"}, "/a b/{}.exe"),
              (Words{"--file=/a b/{}.exe", "/a b/{}.exe", "/a b/{}.exe/a b/{}.exe", "x"}));
}

TEST(Signing, Pkcs11Uris) {
    for (const char* good : {"pkcs11:token=T;object=K", "pkcs11:id=%01", "pkcs11:object=k;x-vendor=1;type=private",
                             "pkcs11:token=My%20Token;object=code(2026)?module-path=/usr/lib/x.so&pin-source=file:/p"}) {
        EXPECT_NO_THROW(checkPkcs11Uri(good)) << good;
    }
    for (const auto& [bad, why] : std::vector<std::pair<const char*, const char*>>{
             {"token=T;object=K", "is no PKCS#11 URI"}, {"pkcs11:token=T", "names no key"},
             {"pkcs11:object=", "names no key"}, {"pkcs11:object=a b", "\" \" must be written %20"},
             {"pkcs11:object=K;object=L", "\"object\" is given twice"}, {"pkcs11:object=K;colour=red", "no PKCS#11 URI attribute"},
             {"pkcs11:object=K;type=cert", "no private key"}, {"pkcs11:object=K?pin-value=1234", "holds the PIN"},
             {"pkcs11:object=%4", "two hexadecimal digits"}, {"pkcs11:object", "no name=value"}}) {
        try {
            checkPkcs11Uri(bad);
            ADD_FAILURE() << bad << " passed";
        } catch (const PackError& e) {
            EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
        }
    }
}

TEST(Signing, OsslsigncodeArguments) {
    Signer p12;
    p12.pkcs12 = "v.p12";
    p12.description = "Viewer";
    EXPECT_EQ(osslsigncodeArguments(p12, "", "in.exe", "out.exe"),
              (Words{"sign", "-pkcs12", "v.p12", "-h", "sha256", "-n", "Viewer", "-in", "in.exe", "-out", "out.exe"}));
    Signer key = p12;
    key.mode = SignMode::Pkcs11;
    key.engine = "pkcs11.so";
    key.module = "token.so";
    key.key = "pkcs11:object=K";
    key.certs = "chain.pem";
    key.url = "https://acme.example/";
    key.timestampUrls = {"http://ts1", "http://ts2"};
    EXPECT_EQ(osslsigncodeArguments(key, "/tmp/pin", "a.msi", "b.msi"),
              (Words{"sign", "-pkcs11engine", "pkcs11.so", "-pkcs11module", "token.so", "-key", "pkcs11:object=K", "-certs",
                     "chain.pem", "-readpass", "/tmp/pin", "-h", "sha256", "-n", "Viewer", "-i", "https://acme.example/", "-ts",
                     "http://ts1", "-ts", "http://ts2", "-in", "a.msi", "-out", "b.msi"}));
    EXPECT_EQ(enginesFolderOf("ENGINESDIR: \"/usr/lib/x86_64-linux-gnu/engines-3\"\n"), fs::path("/usr/lib/x86_64-linux-gnu/engines-3"));
    EXPECT_FALSE(enginesFolderOf("openssl: unknown option -e\n"));
    EXPECT_EQ(osslsigncodeVersion("osslsigncode 2.5, using:\n"), std::pair(2, 5));
    EXPECT_EQ(osslsigncodeVersion("osslsigncode 2.10.1, using:\n"), std::pair(2, 10));
    EXPECT_FALSE(osslsigncodeVersion("Unknown option: --version\n"));
}

// Excerpts of "osslsigncode verify" reports: 2.9 lists the time stamp among
// the countersignatures, 2.5 in a line of its own.
TEST(Signing, SignerAndTimeStampFromTheVerifyReport) {
    const std::string signer = "Signer's certificate:\n\t------------------\n\tSigner #0:\n\t\tSubject: /CN=ACME, Inc.\n"
                               "\t\tIssuer : /CN=ACME CA\n";
    EXPECT_EQ(signatureLines("PE checksum: 1\n" + signer + "Authenticated attributes:\n\tSigning time: Dec 10 06:49:43 2026 GMT\n"
                             "Countersignatures:\n\tTimestamp time: Dec 10 06:49:47 2026 GMT\n\tSigning time: x\n"
                             "Timestamp verified using:\n\tSigner #0:\n\t\tSubject: /CN=TSA\n"),
              "  signer: /CN=ACME, Inc.\n  time stamp: Dec 10 06:49:47 2026 GMT\n");
    EXPECT_EQ(signatureLines(signer + "The signature is timestamped: Jan  2 03:04:05 2026 GMT\r\n"),
              "  signer: /CN=ACME, Inc.\n  time stamp: Jan  2 03:04:05 2026 GMT\n");
    EXPECT_EQ(signatureLines(signer + "\nTimestamp is not available\n"), "  signer: /CN=ACME, Inc.\n  time stamp: none\n");
    EXPECT_EQ(signatureLines("Failed to open file: x.exe\nFailed\n"), "  details: osslsigncode cannot read the signature\n");
    EXPECT_EQ(withSignatureDetails("format: F\nsignature: present\nicon: none\n", "  signer: S\n"),
              "format: F\nsignature: present\n  signer: S\nicon: none\n");
}

// Algorithm identifiers as a PKCS#12 file carries them (DER), and the
// outputs of osslsigncode 2.5 and 2.9 without OpenSSL's legacy provider.
TEST(Signing, LegacyPkcs12Files) {
    const std::string pkcs12Pbe("\x30\x0E\x06\x0A\x2A\x86\x48\x86\xF7\x0D\x01\x0C\x01", 13);
    const std::string pbes2("\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x05\x0D", 11);
    const std::string pbeMd5Des("\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x05\x03", 11);
    for (const auto& [bytes, legacy] : std::vector<std::pair<std::string, bool>>{
             {"0" + pkcs12Pbe + "\x06" + "\x04\x08", true},  // RC2-40, as Windows exports certificates
             {pkcs12Pbe + "\x05", true},                       // RC2-128
             {pkcs12Pbe + "\x01", true},                       // RC4-128
             {pkcs12Pbe + "\x03" + pkcs12Pbe + "\x03", false}, // 3DES only: the default provider has it
             {pbes2, false},                                  // AES through PBES2
             {pbeMd5Des, true},
             {pkcs12Pbe, false}}) {                           // cut off before the algorithm
        EXPECT_EQ(usesLegacyEncryption(bytes), legacy) << testing::PrintToString(bytes);
    }
    const std::string noCipher = "Failed to parse PKCS#12 file: v.pfx (Wrong password?)\n40E0:error:0308010C:digital envelope "
                                 "routines:inner_evp_generic_fetch:unsupported:evp_fetch.c:386:Algorithm (RC2-40-CBC : 0)\n";
    const std::string wrongPassword = "Failed to parse PKCS#12 file: v.pfx (Wrong password?)\n4069:error:07880025:common "
                                      "libcrypto routines:provider_init:name=legacy\n4069:error:11800071:PKCS12 routines:"
                                      "PKCS12_parse:mac verify failure:p12_kiss.c:71:\n";
    EXPECT_TRUE(failedToDecryptPkcs12(noCipher));
    EXPECT_FALSE(failedToDecryptPkcs12(wrongPassword));
    EXPECT_FALSE(failedToDecryptPkcs12("Failed to read key or certificates\n"));
}

TEST(Signing, ProgramsThatRunThroughCmd) {
    for (const auto& [program, cmd] : std::vector<std::pair<const char*, bool>>{
             {"C:/tools/sign.bat", true}, {"sign.CMD", true}, {"sign.bat. .", true}, {"C:/Windows/System32/cmd.exe", true},
             {"CMD", true}, {"sign.exe", false}, {"sign.bat.exe", false}, {"batch", false}, {"cmd.exe.bak", false}}) {
        EXPECT_EQ(runsThroughCmd(program), cmd) << program;
    }
}

// A file is an executable by its headers, whatever its name; the
// certificate table's size tells whether it is signed.
TEST(Signing, ExecutablesAndTheirSignatures) {
    Bytes pe64 = test::SyntheticPe{}.build();
    test::SyntheticPe small;
    small.pe32Plus = false;
    Bytes pe32 = small.build();
    Bytes signed64 = pe64, signed32 = pe32;
    signed64[0x58 + 112 + 4 * 8 + 4] = 8;
    signed32[0x58 + 96 + 4 * 8 + 4] = 8;
    Bytes dosOnly(pe64.begin(), pe64.begin() + 0x40);
    Bytes farHeaders = pe64;
    putU32(farHeaders, 0x3C, 0xFFFFFFF0);
    Bytes text{'M', 'Z', ' ', 'i', 's', ' ', 'a', 'l', 's', 'o', ' ', 't', 'e', 'x', 't'};
    for (const auto& [bytes, expected] : std::vector<std::pair<Bytes, PeSignature>>{
             {pe64, PeSignature::Unsigned}, {pe32, PeSignature::Unsigned}, {signed64, PeSignature::Signed},
             {signed32, PeSignature::Signed}, {dosOnly, PeSignature::NotPe}, {farHeaders, PeSignature::NotPe},
             {text, PeSignature::NotPe}, {Bytes(), PeSignature::NotPe}}) {
        EXPECT_EQ(peSignatureIn(bytes), expected) << bytes.size();
    }
    EXPECT_EQ(peHeadersLength(pe64), 0x40u + 4 + 20 + 240);

    launcher::test::TempFolder folder;
    fs::path dir = folder.path();
    auto write = [&](const char* name, const Bytes& bytes) { launcher::test::writeBytes(dir / name, std::string(bytes.begin(), bytes.end())); };
    write("lib/native.so", pe64); // a JNI library for Windows under another name
    write("lib/signed.dll", signed64);
    write("app.exe", pe32);
    write("lib/readme.dll", text);
    write("far.dll", farHeaders);
    std::error_code ignored;
    fs::create_symlink(dir / "app.exe", dir / "link.exe", ignored); // not followed (where links can be made)
    fs::create_symlink(dir / "gone.dll", dir / "broken.dll", ignored);
    EXPECT_EQ(describeFolder(dir), "folder: " + displayPath(dir) + "\nexecutable files: 3, signed: 1, unsigned: 2\n"
                                   "unsigned: app.exe\nunsigned: " + displayPath(fs::path("lib") / "native.so") + "\n");
}

} // namespace
} // namespace launcher::pack
