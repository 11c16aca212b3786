// The Linux rendezvous socket in the user's runtime folder: a socket there
// that nobody listens on (left by a primary that crashed, or bound by a
// process that never listens) is taken over, and the abstract name, which
// any user may bind first, is not used while the folder is there.

#include "base/Text.h"
#include "instance/InstanceNames.h"
#include "probe/StandinProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

// A socket bound to an address and never listened on.
class UnlistenedSocket {
public:
    explicit UnlistenedSocket(const std::string& name, bool abstract) : fd_(::socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path + (abstract ? 1 : 0), name.data(), name.size());
        socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + 1);
        bound_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    }
    ~UnlistenedSocket() { close(); }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool bound() const { return bound_; }

private:
    int fd_;
    bool bound_ = false;
};

class InstanceSocket : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path tracePath = folder.path() / "trace.txt";
    test::EnvironmentOverride traceVariable{u"STANDIN_TRACE", tracePath.u16string()};
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};
    fs::path runtimeFolder = folder.path() / "run";
    test::EnvironmentOverride runtimeVariable{u"XDG_RUNTIME_DIR", runtimeFolder.u16string()};
    fs::path exe = folder.path() / "app" / "viewer";

    void SetUp() override {
        fs::create_directories(runtimeFolder);
        fs::permissions(runtimeFolder, fs::perms::owner_all, fs::perm_options::replace);
        fs::create_directories(exe.parent_path());
        fs::copy_file(test::builtLauncher(), exe);
        test::writeBytes(exe.parent_path() / "app.jar", "PK");
        test::writeBytes(exe.parent_path() / "viewer.ini",
                         "[Java Runtime Environment]\nMain Class=standin.SecondaryInt\nJRE Path=" +
                             test::standinHome("standard").string() +
                             "\n[Class Path]\nClass Path=app.jar\n[Application]\nSingle Instance=yes\n");
    }
    std::string name() const { return instanceSocketName(exe.u16string(), getuid()); }
    std::string socketPath() const { return (runtimeFolder / (name() + ".sock")).string(); }
    bool awaitTrace(const std::string& text) const {
        for (int i = 0; i < 600; ++i) {
            if (fs::exists(tracePath) && test::readBytes(tracePath).find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // A primary started over whatever holds the names, a forwarded launch
    // served by it, and its end.
    void expectPrimaryThatServes() {
        auto primary = std::async(std::launch::async, [this] { return test::launch(exe, {"first"}); });
        ASSERT_TRUE(awaitTrace("main [first]")) << test::readBytes(tracePath);
        EXPECT_EQ(test::launch(exe, {"9"}).exitCode, 9);
        EXPECT_NE(test::readBytes(tracePath).find("secondaryMain [9]"), std::string::npos);
        EXPECT_EQ(test::launch(exe, {"stop"}).exitCode, 0);
        EXPECT_EQ(primary.get().exitCode, 0);
        EXPECT_FALSE(fs::exists(socketPath())) << "the primary removes its socket";
    }
};

// Another process binds both names first and never listens: before, every
// launch waited five seconds for the abstract name and ended with -1.
TEST_F(InstanceSocket, NamesBoundByAProcessThatNeverListensAreNoObstacle) {
    UnlistenedSocket abstract(name(), true);
    UnlistenedSocket file(socketPath(), false);
    ASSERT_TRUE(abstract.bound() && file.bound());
    expectPrimaryThatServes();
}

TEST_F(InstanceSocket, SocketLeftByACrashedPrimaryIsTakenOver) {
    UnlistenedSocket(socketPath(), false).close();
    ASSERT_TRUE(fs::is_socket(socketPath()));
    expectPrimaryThatServes();
}

// A primary that reads a launch's block and ends before it acknowledges it
// (it took nothing): the launch settles its role anew and, finding the name
// free, runs the program itself.
TEST_F(InstanceSocket, LaunchWhosePrimaryEndsBeforeTakingItsArgumentsBecomesThePrimary) {
    int listening = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath().data(), socketPath().size());
    ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listening, 4), 0);
    auto launch = std::async(std::launch::async, [this] { return test::launch(exe, {"doc", "stop"}); });
    int connection = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
    std::string block(2092, '\0');
    size_t got = 0;
    for (ssize_t n = 1; n > 0 && got < block.size(); got += static_cast<size_t>(n)) {
        n = ::recv(connection, block.data() + got, block.size() - got, 0);
    }
    EXPECT_EQ(got, block.size());
    ::close(connection);
    ::close(listening);
    ASSERT_TRUE(awaitTrace("main [doc][stop]")) << launch.get().exitCode;
    // The new primary serves later launches; this one ends it.
    EXPECT_EQ(test::launch(exe, {"5", "stop"}).exitCode, 5);
    EXPECT_EQ(launch.get().exitCode, 0);
}

// The lock under which a stale socket is taken over, held by another
// process for good: the launch runs on its own instead of waiting for ever.
TEST_F(InstanceSocket, LockHeldForGoodIsNotWaitedForEver) {
    std::string ini = test::readBytes(exe.parent_path() / "viewer.ini");
    ini.replace(ini.find("standin.SecondaryInt"), std::strlen("standin.SecondaryInt"), "standin.Echo");
    test::writeBytes(exe.parent_path() / "viewer.ini", ini);
    UnlistenedSocket(socketPath(), false).close();
    int lock = ::open((runtimeFolder / (name() + ".lock")).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    EXPECT_EQ(test::launch(exe, {"alone"}).exitCode, 0);
    ::close(lock);
    EXPECT_NE(test::readBytes(tracePath).find("main [alone]"), std::string::npos);
}

} // namespace
} // namespace launcher
