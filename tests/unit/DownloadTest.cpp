#include "base/Platform.h"
#include "config/AddressPolicy.h"
#include "install/Download.h"

#include "support/LoopbackServer.h"
#include "support/StallLimitForTests.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <thread>

namespace launcher {
namespace {

using test::LoopbackServer;
using test::ServedReply;

std::string sampleBody(size_t size) {
    std::string body(size, '\0');
    for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
    return body;
}

// What a download delivered to its caller.
struct Fetched {
    DownloadResult result;
    std::string bytes;
    uint64_t lastReceived = 0;
    std::optional<uint64_t> lastTotal;
    int progressCalls = 0;
};

Fetched fetch(const std::string& address, const std::atomic<bool>* cancel = nullptr,
    std::function<void(uint64_t)> onProgress = {}) {
    Fetched fetched;
    DownloadCallbacks callbacks;
    callbacks.write = [&](std::span<const uint8_t> piece) {
        fetched.bytes.append(reinterpret_cast<const char*>(piece.data()), piece.size());
        return true;
    };
    callbacks.progress = [&](uint64_t received, std::optional<uint64_t> total) {
        ++fetched.progressCalls;
        fetched.lastReceived = received;
        fetched.lastTotal = total;
        if (onProgress) onProgress(received);
    };
    callbacks.cancel = cancel;
    fetched.result = download(address, callbacks);
    return fetched;
}

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.listening()); }

    // Proxies from the environment would take loopback requests elsewhere.
    test::EnvironmentOverride noHttpProxy{u"http_proxy", std::nullopt};
    test::EnvironmentOverride noHttpsProxy{u"https_proxy", std::nullopt};
    LoopbackServer server;
    const std::string body = sampleBody(3 * 1024 * 1024 + 17);
};

TEST_F(DownloadTest, WholeFileWithAndWithoutLength) {
    server.serve("/with.zip", {200, body, ServedReply::Framing::Length});
    server.serve("/without.zip", {200, body, ServedReply::Framing::NoLength});
    const Fetched with = fetch(server.url("/with.zip"));
    ASSERT_TRUE(with.result) << toUtf8(with.result.message);
    EXPECT_TRUE(with.bytes == body);
    EXPECT_EQ(with.lastReceived, body.size());
    EXPECT_EQ(with.lastTotal, body.size());
    const Fetched without = fetch(server.url("/without.zip"));
    ASSERT_TRUE(without.result) << toUtf8(without.result.message);
    EXPECT_TRUE(without.bytes == body);
    EXPECT_EQ(without.lastReceived, body.size());
    EXPECT_FALSE(without.lastTotal.has_value());
}

// Informational replies (100 Continue, 103 Early Hints) come before the
// answer on the same connection: they neither end the download nor stand
// for its answer.
TEST_F(DownloadTest, InformationalRepliesBeforeTheAnswerAreSkipped) {
    if (kWindows) {
        GTEST_SKIP() << "WinHTTP reads the reply itself; Wine's takes a 103 for the answer and refuses to read on "
                        "(error 12019), so Windows is not checked here";
    }
    const std::string hints = "HTTP/1.1 103 Early Hints\r\nLink: </jre.css>; rel=preload\r\n\r\n";
    server.serve("/hinted.zip", {.body = body, .interim = hints});
    server.serve("/moved.zip", {.status = 302, .location = "/hinted.zip", .interim = "HTTP/1.1 100 Continue\r\n\r\n" + hints});
    for (const char* path : {"/hinted.zip", "/moved.zip"}) {
        const Fetched fetched = fetch(server.url(path));
        ASSERT_TRUE(fetched.result) << path << ": " << toUtf8(fetched.result.message);
        EXPECT_TRUE(fetched.bytes == body) << path;
        EXPECT_EQ(fetched.lastTotal, body.size()) << path;
    }
}

TEST_F(DownloadTest, TruncatedBodyIsAFailure) {
    server.serve("/cut.zip", {200, body, ServedReply::Framing::Truncated});
    const Fetched fetched = fetch(server.url("/cut.zip"));
    EXPECT_EQ(fetched.result.failure, DownloadFailure::Connection);
    EXPECT_LT(fetched.bytes.size(), body.size());
    EXPECT_NE(fetched.result.message.find(u"127.0.0.1"), std::u16string::npos) << toUtf8(fetched.result.message);
}

TEST_F(DownloadTest, SilentServerStalls) {
    server.serve("/silent.zip", {200, body, ServedReply::Framing::Stall});
    const Fetched fetched = fetch(server.url("/silent.zip"));
    EXPECT_EQ(fetched.result.failure, DownloadFailure::Stalled) << toUtf8(fetched.result.message);
    EXPECT_NE(fetched.result.message.find(u"127.0.0.1"), std::u16string::npos) << toUtf8(fetched.result.message);
}

// With a stall limit far beyond the test's patience, only Cancel can end
// these transfers early: a Stalled result would mean Cancel was not heard.
class DownloadCancelTest : public DownloadTest {
protected:
    void SetUp() override {
        DownloadTest::SetUp();
        test::stallLimitMilliseconds = 120000;
    }
    void TearDown() override { test::stallLimitMilliseconds = 1000; }
};

TEST_F(DownloadCancelTest, CancelFromProgressEndsTheTransfer) {
    server.serve("/big.zip", {200, body + body + body, ServedReply::Framing::Length});
    std::atomic<bool> cancel{false};
    const Fetched fetched = fetch(server.url("/big.zip"), &cancel, [&](uint64_t received) {
        if (received > 0) cancel = true;
    });
    EXPECT_EQ(fetched.result.failure, DownloadFailure::Cancelled);
    EXPECT_LT(fetched.bytes.size(), 3 * body.size());
}

TEST_F(DownloadCancelTest, CancelWhileTheServerIsSilent) {
    server.serve("/silent.zip", {200, body, ServedReply::Framing::Stall});
    std::atomic<bool> cancel{false};
    std::thread canceller([&] {
        while (server.connections() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancel = true;
    });
    const Fetched fetched = fetch(server.url("/silent.zip"), &cancel);
    canceller.join();
    EXPECT_EQ(fetched.result.failure, DownloadFailure::Cancelled) << toUtf8(fetched.result.message);
}

TEST_F(DownloadTest, RedirectsBetweenLoopbackAddressesAreFollowed) {
    server.serve("/final.zip", {200, body});
    server.serve("/hop2", {302, "moved", ServedReply::Framing::Length, "/final.zip"});
    server.serve("/hop1", {301, "moved", ServedReply::Framing::Length, server.url("/hop2")});
    const Fetched fetched = fetch(server.url("/hop1"));
    ASSERT_TRUE(fetched.result) << toUtf8(fetched.result.message);
    EXPECT_TRUE(fetched.bytes == body);
    EXPECT_EQ(server.connections(), 3);
}

TEST_F(DownloadTest, RedirectLoopEnds) {
    server.serve("/loop", {302, "", ServedReply::Framing::Length, "/loop"});
    const Fetched fetched = fetch(server.url("/loop"));
    EXPECT_EQ(fetched.result.failure, DownloadFailure::RefusedAddress);
    EXPECT_EQ(server.connections(), kMaxRedirects + 1);
}

TEST_F(DownloadTest, HttpStatusIsNamed) {
    const Fetched fetched = fetch(server.url("/missing.zip"));
    EXPECT_EQ(fetched.result.failure, DownloadFailure::HttpStatus);
    EXPECT_EQ(fetched.result.httpStatus, 404);
    EXPECT_NE(fetched.result.message.find(u"404"), std::u16string::npos) << toUtf8(fetched.result.message);
    EXPECT_TRUE(fetched.bytes.empty());
}

// An http address that is not loopback, at the start or behind a redirect:
// a listener there sees no connection at all.
TEST_F(DownloadTest, ClearTextElsewhereIsNeverContacted) {
    LoopbackServer elsewhere("0.0.0.0");
    ASSERT_TRUE(elsewhere.listening());
    elsewhere.serve("/runtime.zip", {200, body});
    server.serve("/to-clear-text", {302, "", ServedReply::Framing::Length, elsewhere.url("/runtime.zip")});
    const Fetched direct = fetch(elsewhere.url("/runtime.zip"));
    EXPECT_EQ(direct.result.failure, DownloadFailure::RefusedAddress);
    const Fetched redirected = fetch(server.url("/to-clear-text"));
    EXPECT_EQ(redirected.result.failure, DownloadFailure::RefusedAddress);
    EXPECT_NE(redirected.result.message.find(u"0.0.0.0"), std::u16string::npos) << toUtf8(redirected.result.message);
    EXPECT_TRUE(direct.bytes.empty() && redirected.bytes.empty());
    EXPECT_EQ(elsewhere.connections(), 0);
}

TEST_F(DownloadTest, RefusedConnectionIsAConnectionFailure) {
    std::string address;
    {
        LoopbackServer gone; // its port, free again once it has stopped
        address = gone.url("/x.zip");
    }
    const Fetched fetched = fetch(address);
    EXPECT_EQ(fetched.result.failure, DownloadFailure::Connection) << toUtf8(fetched.result.message);
}

// The system's certificate checks need a real certificate, which no test
// here has; a loopback server that does not speak TLS at least shows that
// an https address is never read as plain http.
TEST_F(DownloadTest, HttpsToAServerWithoutTlsIsATlsFailure) {
    server.serve("/runtime.zip", {200, body});
    std::string address = server.url("/runtime.zip");
    address.replace(0, 4, "https");
    const Fetched fetched = fetch(address);
    EXPECT_EQ(fetched.result.failure, DownloadFailure::Tls) << toUtf8(fetched.result.message);
    EXPECT_TRUE(fetched.bytes.empty());
}

// A limit refuses an announced length beyond it before any byte is written,
// and cuts an unannounced body at the limit; a body of exactly the limit
// passes.
TEST_F(DownloadTest, BodyLongerThanTheLimitIsRefused) {
    server.serve("/with.zip", {200, body, ServedReply::Framing::Length});
    server.serve("/without.zip", {200, body, ServedReply::Framing::NoLength});
    struct Row {
        const char* path;
        uint64_t limit;
        bool passes;
        size_t mostWritten;
    } const rows[] = {
        {"/with.zip", body.size() - 1, false, 0},
        {"/without.zip", body.size() - 1, false, body.size() - 1},
        {"/without.zip", 1000, false, 1000},
        {"/with.zip", body.size(), true, body.size()},
        {"/without.zip", body.size(), true, body.size()},
    };
    for (const Row& row : rows) {
        std::string written;
        DownloadCallbacks callbacks;
        callbacks.write = [&](std::span<const uint8_t> piece) {
            written.append(reinterpret_cast<const char*>(piece.data()), piece.size());
            return true;
        };
        callbacks.limit = row.limit;
        const DownloadResult result = download(server.url(row.path), callbacks);
        const std::string what = std::string(row.path) + " limit " + std::to_string(row.limit);
        EXPECT_EQ(bool(result), row.passes) << what << ": " << toUtf8(result.message);
        EXPECT_LE(written.size(), row.mostWritten) << what;
        if (row.passes) continue;
        EXPECT_EQ(result.failure, DownloadFailure::TooLarge) << what;
        EXPECT_NE(result.message.find(u"127.0.0.1"), std::u16string::npos) << toUtf8(result.message);
        EXPECT_NE(result.message.find(toDecimal(static_cast<long long>(row.limit))), std::u16string::npos)
            << toUtf8(result.message);
    }
}

TEST_F(DownloadTest, SinkThatRefusesEndsTheTransfer) {
    server.serve("/f.zip", {200, body});
    DownloadCallbacks callbacks;
    size_t pieces = 0;
    callbacks.write = [&](std::span<const uint8_t>) { return ++pieces < 2; };
    const DownloadResult result = download(server.url("/f.zip"), callbacks);
    EXPECT_EQ(result.failure, DownloadFailure::WriteFailed);
    EXPECT_EQ(pieces, 2u);
}

} // namespace
} // namespace launcher
