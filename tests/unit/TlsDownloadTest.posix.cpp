// An https download on Linux against a TLS server on loopback (OpenSSL's
// s_server, with a certificate made for the test): with the server's
// authority trusted the file arrives whole; with another authority the
// system's certificate check refuses it and its reason reaches the message.

#include "install/Download.h"

#include "support/ArchiveBuilder.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"
#include "support/TrustedCertificatesForTests.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace launcher {
namespace {

namespace fs = std::filesystem;

// A self-signed certificate for 127.0.0.1, its own authority.
bool makeCertificate(const fs::path& folder, const std::string& name) {
    const test::ChildResult made = test::runChild("/usr/bin/env",
        {"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1",
         "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", (folder / (name + ".key")).string(), "-out",
         (folder / (name + ".pem")).string()},
        60);
    return made.exitCode == 0;
}

// openssl s_server serving the files of folder over TLS, at a port the
// system chooses, until the test ends.
class TlsFileServer {
public:
    explicit TlsFileServer(const fs::path& folder) {
        const fs::path log = folder / "server.log";
        pid_ = fork();
        if (pid_ == 0) {
            const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (out < 0 || chdir(folder.c_str()) != 0) _exit(127);
            dup2(out, 1);
            dup2(out, 2);
            execlp("openssl", "openssl", "s_server", "-accept", "127.0.0.1:0", "-cert", "server.pem", "-key",
                   "server.key", "-WWW", static_cast<char*>(nullptr));
            _exit(127);
        }
        // It names its port once it listens: "ACCEPT 127.0.0.1:PORT".
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (pid_ > 0 && port_.empty() && std::chrono::steady_clock::now() < giveUp) {
            const std::string text = fs::exists(log) ? test::readBytes(log) : "";
            const size_t at = text.find("ACCEPT 127.0.0.1:");
            if (at != std::string::npos && text.find('\n', at) != std::string::npos) {
                port_ = text.substr(at + 17, text.find('\n', at) - at - 17);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
    }
    ~TlsFileServer() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    TlsFileServer(const TlsFileServer&) = delete;
    TlsFileServer& operator=(const TlsFileServer&) = delete;

    bool listening() const { return !port_.empty(); }
    std::string url(const std::string& path) const { return "https://127.0.0.1:" + port_ + path; }

private:
    pid_t pid_ = -1;
    std::string port_;
};

struct Received {
    DownloadResult result;
    std::string bytes;
};

Received fetchTrusting(const fs::path& authority, const std::string& address) {
    test::trustedCertificateFile = authority.string();
    Received received;
    DownloadCallbacks callbacks;
    callbacks.write = [&](std::span<const uint8_t> piece) {
        received.bytes.append(reinterpret_cast<const char*>(piece.data()), piece.size());
        return true;
    };
    received.result = download(address, callbacks);
    test::trustedCertificateFile.clear();
    return received;
}

TEST(TlsDownload, TrustedAuthorityOnlyAndTheSystemsReason) {
    test::TempFolder folder;
    if (!makeCertificate(folder.path(), "server") || !makeCertificate(folder.path(), "other")) {
        GTEST_SKIP() << "openssl could not make a certificate";
    }
    const std::string body = test::noise(2 * 1024 * 1024 + 5);
    test::writeBytes(folder.path() / "runtime.zip", body);
    test::EnvironmentOverride noProxy{u"https_proxy", std::nullopt};
    TlsFileServer server(folder.path());
    ASSERT_TRUE(server.listening()) << test::readBytes(folder.path() / "server.log");

    const Received trusted = fetchTrusting(folder.path() / "server.pem", server.url("/runtime.zip"));
    ASSERT_TRUE(trusted.result) << toUtf8(trusted.result.message);
    EXPECT_TRUE(trusted.bytes == body) << trusted.bytes.size() << " bytes of " << body.size();

    const Received refused = fetchTrusting(folder.path() / "other.pem", server.url("/runtime.zip"));
    EXPECT_EQ(refused.result.failure, DownloadFailure::Tls) << toUtf8(refused.result.message);
    EXPECT_TRUE(refused.bytes.empty());
    const std::string message = toUtf8(refused.result.message);
    EXPECT_NE(message.find("No secure connection to 127.0.0.1:"), std::string::npos) << message;
    // libcurl's words for OpenSSL's verdict.
    EXPECT_NE(message.find("self-signed certificate"), std::string::npos) << message;
}

} // namespace
} // namespace launcher
