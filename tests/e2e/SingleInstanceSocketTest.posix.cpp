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
        fs::copy_file(test::standinHome("standard").parent_path().parent_path() / "bin" / "launcher", exe);
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

} // namespace
} // namespace launcher
