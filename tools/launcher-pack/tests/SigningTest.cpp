// The pure parts of signing: a signing command split into words, PKCS#11
// URIs, osslsigncode's arguments and what its report says.

#include "SecretFile.h"
#include "ShowReport.h"
#include "Signing.h"

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

TEST(Signing, SecretFileLastsAsLongAsItsOwner) {
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

} // namespace
} // namespace launcher::pack
