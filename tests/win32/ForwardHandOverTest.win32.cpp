// A later launch's hand-over against a primary that stalls between taking
// its message and copying the slot, as a busy or descheduled primary does.
// The primary here is the test's own: it claims the slot, then keeps the
// launch waiting past its time limit before it copies and answers.

#include "base/Handles.win32.h"
#include "base/Wide.win32.h"
#include "instance/ForwardBlock.h"
#include "instance/InstanceNames.h"
#include "base/Text.h"
#include "instance/ObjectSecurity.win32.h"
#include "instance/SingleInstance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <span>
#include <thread>

namespace launcher {
namespace {

class StalledPrimary {
public:
    explicit StalledPrimary(const std::u16string& modulePath) : base_(instanceBaseName(modulePath)) {
        mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kForwardBlockSize,
                                          wide(base_)));
        view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0, 0));
        taken_.reset(CreateEventW(nullptr, FALSE, FALSE, wide(forwardTakenName(base_))));
        message_ = RegisterWindowMessageW(wide(base_));
    }
    bool ready() const { return view_ && taken_ && message_ != 0; }
    std::span<uint8_t> block() const { return {static_cast<uint8_t*>(view_.get()), kForwardBlockSize}; }

    // Serves one message: claims the slot, stalls, then copies it and
    // answers with value.
    void serveOne(DWORD stallMillis, int32_t value, DWORD primaryProcess = GetCurrentProcessId()) {
        listener_ = std::thread([this, stallMillis, value, primaryProcess] {
            MSG msg;
            PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
            writeBlockWord(block(), kMessageIdOffset, message_);
            writeBlockWord(block(), kPrimaryProcessOffset, primaryProcess);
            listenerId_ = GetCurrentThreadId();
            writeBlockWord(block(), kListenerThreadOffset, listenerId_);
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                if (msg.message != message_) continue;
                if (!claimForwardSlot(block(), static_cast<uint32_t>(msg.wParam))) continue;
                Sleep(stallMillis);
                received = readForwardArguments(block());
                clearForwardArguments(block());
                SetEvent(taken_.get());
                PostThreadMessageW(static_cast<DWORD>(msg.wParam), message_, static_cast<WPARAM>(value), 0);
                return;
            }
        });
    }
    ~StalledPrimary() {
        if (!listener_.joinable()) return;
        while (listenerId_ == 0) Sleep(10);
        PostThreadMessageW(listenerId_, WM_QUIT, 0, 0);
        listener_.join();
    }

    TextList received;

private:
    std::u16string base_;
    UniqueHandle mapping_;
    UniqueView view_;
    UniqueHandle taken_;
    UINT message_ = 0;
    std::atomic<DWORD> listenerId_{0};
    std::thread listener_;
};

TEST(ForwardHandOver, SlotClaimedJustBeforeTheTimeLimitIsServedNotGivenUp) {
    const std::u16string module = u"C:\\forward-test\\" + fromUtf8(std::to_string(GetCurrentProcessId())) + u"\\app.exe";
    StalledPrimary primary(module);
    ASSERT_TRUE(primary.ready());
    primary.serveOne(kPrimaryReadyMillis + 1000, 42);

    SingleInstanceGuard launch;
    EXPECT_TRUE(launch.start(module, {u"doc.txt", u"-x"}, {})) << "the launch gave up on a slot being copied";
    EXPECT_EQ(launch.role(), InstanceRole::Secondary);
    EXPECT_EQ(launch.waitForPrimary(), 42);
    EXPECT_EQ(primary.received, (TextList{u"doc.txt", u"-x"}));
    // The slot is free again for the next launch.
    EXPECT_EQ(readBlockWord(primary.block(), kSenderThreadOffset), 0u);
}

// The block names a listener thread that is not the named primary's own:
// nothing is posted to it, and the launch gives up.
TEST(ForwardHandOver, NeverPostsToAThreadOutsideThePrimarysProcess) {
    const std::u16string module = u"C:\\forward-test\\" + fromUtf8(std::to_string(GetCurrentProcessId())) + u"\\b.exe";
    StalledPrimary primary(module);
    ASSERT_TRUE(primary.ready());
    primary.serveOne(0, 42, 0xFFFFFFF0);

    SingleInstanceGuard launch;
    EXPECT_FALSE(launch.start(module, {u"doc.txt"}, {}));
    EXPECT_TRUE(primary.received.empty());
}

// This process's own objects are trusted, whatever the system reports of
// them (Wine reports no owner); that keeps forwarding working there.
TEST(ForwardHandOver, OwnObjectsAreTrusted) {
    UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    std::optional<ObjectSecurity> security = readObjectSecurity(event.get());
    ASSERT_TRUE(security.has_value());
    RecordProperty("owner", static_cast<int>(security->owner));
    RecordProperty("label", static_cast<int>(security->integrity.value_or(0xFFFF)));
    RecordProperty("own", static_cast<int>(processIntegrity()));
    EXPECT_NE(security->owner, ObjectOwner::Other);
    EXPECT_TRUE(acceptExistingObject(*security, processIntegrity()));
}

} // namespace
} // namespace launcher
