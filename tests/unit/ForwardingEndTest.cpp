// The end of a primary while launches are forwarded to it: no worker calls
// the server once stop() has begun, and stop() returns only when the
// workers inside the server have left it. Both sides run in this process;
// the probe holds a worker at the exact moment that is rare in real runs.

#include "base/Text.h"
#include "instance/ForwardingProbe.h"
#include "instance/SingleInstance.h"
#include "jvm/VmHooks.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>

namespace launcher {
namespace {

using namespace std::chrono_literals;

// A gate that a test opens once; waits give up after a while so that a
// fault fails the test instead of hanging it.
class Gate {
public:
    void open() {
        std::lock_guard guard(lock_);
        open_ = true;
        changed_.notify_all();
    }
    bool await(std::chrono::milliseconds limit = 20s) {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, limit, [&] { return open_; });
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool open_ = false;
};

Gate* workerHeld = nullptr;
Gate* stopBegun = nullptr;

// Holds a worker that has woken until stop() has begun.
void holdWorkerUntilStop(ForwardingPoint point) {
    if (point == ForwardingPoint::StopBegun) {
        stopBegun->open();
        return;
    }
    workerHeld->open();
    stopBegun->await();
}

class ForwardingEnd : public ::testing::Test {
protected:
    test::TempFolder folder;
    std::u16string module = (folder.path() / "viewer.exe").u16string();
    std::atomic<int> served{0};
    SingleInstanceGuard primary;

    void TearDown() override { setForwardingProbe(nullptr); }

    // A later launch of the same executable, on a thread of its own: its
    // answer, or none when it was not served.
    std::future<std::optional<int>> forward(TextList arguments) {
        return std::async(std::launch::async, [this, arguments] {
            SingleInstanceGuard later;
            if (!later.start(module, arguments, {}) || later.role() != InstanceRole::Secondary) {
                return std::optional<int>(-100);
            }
            return later.waitForPrimary();
        });
    }
};

TEST_F(ForwardingEnd, AWorkerThatWakesOnceStopHasBegunNeverCallsTheServer) {
    Gate held, begun;
    workerHeld = &held;
    stopBegun = &begun;
    setForwardingProbe(&holdWorkerUntilStop);
    ASSERT_TRUE(primary.start(module, {}, [this](const TextList&, const ForwardReply& reply, const ForwardEnter&) {
        ++served;
        reply(7);
        return true;
    }));
    ASSERT_EQ(primary.role(), InstanceRole::Primary);
    primary.mainStarted();
    auto answer = forward({u"late"});
    ASSERT_TRUE(held.await());
    primary.stop();
    EXPECT_EQ(served.load(), 0);
    ASSERT_EQ(answer.wait_for(20s), std::future_status::ready);
    EXPECT_EQ(answer.get(), std::nullopt) << "told it was served, or given an answer";
}

TEST_F(ForwardingEnd, StopWaitsForAWorkerInsideTheServer) {
    Gate inside, release;
    std::atomic<bool> left{false};
    ASSERT_TRUE(primary.start(module, {}, [&](const TextList&, const ForwardReply& reply, const ForwardEnter& enter) {
        // Inside the program: as the real server, it has entered.
        if (!enter()) return false;
        inside.open();
        release.await();
        reply(5);
        left = true;
        return true;
    }));
    primary.mainStarted();
    auto answer = forward({u"slow"});
    ASSERT_TRUE(inside.await());
    auto stopping = std::async(std::launch::async, [&] {
        primary.stop();
        return left.load();
    });
    EXPECT_EQ(stopping.wait_for(300ms), std::future_status::timeout) << "stop() did not wait for the worker";
    release.open();
    EXPECT_TRUE(stopping.get()) << "stop() returned while the worker was inside the server";
    ASSERT_EQ(answer.wait_for(20s), std::future_status::ready);
    EXPECT_EQ(answer.get(), 5);
}

// System.exit on one thread while a worker is still on its way into the
// program (attaching, looking the method up): the program never gets the
// launch, so its secondary is told "not served" and starts anew, instead of
// taking the exit code as though it had been served. A launch the program
// did get keeps the exit code, which only the process's end gives.
TEST_F(ForwardingEnd, SystemExitLeavesALaunchTheProgramNeverGotNotServed) {
    Gate attaching, release;
    std::atomic<int> entered{0};
    ASSERT_TRUE(primary.start(module, {}, [&](const TextList&, const ForwardReply& reply, const ForwardEnter& enter) {
        attaching.open();
        release.await();
        if (!enter()) return false;
        ++entered;
        reply(5);
        return true;
    }));
    primary.mainStarted();
    auto answer = forward({u"on its way"});
    ASSERT_TRUE(attaching.await());
    vmExitHook(7);
    ASSERT_EQ(answer.wait_for(20s), std::future_status::ready) << "the launch waits for an end that is not coming";
    EXPECT_EQ(answer.get(), std::nullopt);
    release.open();
    primary.stop();
    EXPECT_EQ(entered.load(), 0) << "the program got a launch that was told it was not served";
}

} // namespace
} // namespace launcher
