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

#include <sddl.h>

#include <atomic>
#include <span>
#include <thread>
#include <vector>

namespace launcher {
namespace {

class StalledPrimary {
public:
    explicit StalledPrimary(const std::u16string& modulePath, SECURITY_ATTRIBUTES* takenSecurity = nullptr)
        : base_(instanceBaseName(modulePath)) {
        mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kForwardBlockSize,
                                          wide(base_)));
        view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0, 0));
        taken_.reset(CreateEventW(takenSecurity, FALSE, FALSE, wide(forwardTakenName(base_))));
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
        // A launch that finds no listener in the block takes it over.
        while (listenerId_ == 0) Sleep(1);
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

// The block names a primary process that has gone, beside a listener
// thread of this process: nothing is posted to that thread, and the launch
// takes the block over as the primary.
TEST(ForwardHandOver, BlockOfAPrimaryThatHasGoneIsTakenOver) {
    const std::u16string module = u"C:\\forward-test\\" + fromUtf8(std::to_string(GetCurrentProcessId())) + u"\\b.exe";
    StalledPrimary primary(module);
    ASSERT_TRUE(primary.ready());
    primary.serveOne(0, 42, 0xFFFFFFF0);

    SingleInstanceGuard launch;
    EXPECT_TRUE(launch.start(module, {u"doc.txt"}, {}));
    EXPECT_EQ(launch.role(), InstanceRole::Primary);
    EXPECT_EQ(readBlockWord(primary.block(), kPrimaryProcessOffset), GetCurrentProcessId());
    launch.stop();
    EXPECT_TRUE(primary.received.empty());
    // A stopped primary has let go: the block names no process.
    EXPECT_EQ(readBlockWord(primary.block(), kPrimaryProcessOffset), 0u);
}

// Hand-over messages that name no launch's slot: sender 0, and a thread
// that wrote no arguments. They claim nothing and serve nothing; the real
// launch that follows them is served once, with its own arguments.
TEST(ForwardHandOver, ForgedMessagesClaimNothing) {
    const std::u16string module = u"C:\\forward-test\\" + fromUtf8(std::to_string(GetCurrentProcessId())) + u"\\f.exe";
    std::vector<TextList> served;
    SingleInstanceGuard primary;
    ASSERT_TRUE(primary.start(module, {}, [&](const TextList& arguments, const ForwardReply& reply, const ForwardEnter&) {
        served.push_back(arguments);
        reply(5);
        return true;
    }));
    ASSERT_EQ(primary.role(), InstanceRole::Primary);
    primary.mainStarted();
    UniqueHandle mapping(OpenFileMappingW(FILE_MAP_WRITE, FALSE, wide(instanceBaseName(module))));
    UniqueView view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_TRUE(view);
    std::span<uint8_t> block(static_cast<uint8_t*>(view.get()), kForwardBlockSize);
    const DWORD listener = readBlockWord(block, kListenerThreadOffset);
    const UINT message = readBlockWord(block, kMessageIdOffset);
    // The listener may not have its queue yet.
    for (WPARAM forged : {WPARAM{0}, WPARAM{GetCurrentThreadId()}}) {
        int tries = 0;
        while (!PostThreadMessageW(listener, message, forged, 0) && ++tries < 500) Sleep(10);
        ASSERT_LT(tries, 500);
    }
    // Messages are taken in order: once this launch is served, the forged
    // ones have been looked at.
    std::optional<int> answer;
    std::thread([&] {
        SingleInstanceGuard launch;
        if (launch.start(module, {u"real"}, {})) answer = launch.waitForPrimary();
    }).join();
    EXPECT_EQ(answer, 5);
    EXPECT_EQ(served, (std::vector<TextList>{{u"real"}}));
    EXPECT_EQ(readBlockWord(block, kSenderThreadOffset), 0u);
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

// A descriptor from its text, for objects that refuse or admit whom a
// test chooses.
class TestDescriptor {
public:
    explicit TestDescriptor(const wchar_t* sddl) {
        ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor_, nullptr);
        attributes_ = {sizeof(attributes_), descriptor_, FALSE};
    }
    ~TestDescriptor() { LocalFree(descriptor_); }
    SECURITY_ATTRIBUTES* attributes() { return &attributes_; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_{};
};

// Someone else made the hand-over lock or event first, with an access list
// that lets no one in, and holds the lock; a primary serves. The launch
// cannot open them and runs on its own at once, instead of failing or
// waiting.
TEST(ForwardHandOver, ObjectThatRefusesAccessRunsTheStartOnItsOwn) {
    for (const bool lockRefuses : {true, false}) {
        const std::u16string module = u"C:\\forward-test\\" + fromUtf8(std::to_string(GetCurrentProcessId())) +
                                      (lockRefuses ? u"\\lock.exe" : u"\\event.exe");
        TestDescriptor nobody(L"D:");
        StalledPrimary primary(module, lockRefuses ? nullptr : nobody.attributes());
        ASSERT_TRUE(primary.ready());
        primary.serveOne(0, 42);
        UniqueHandle squatted;
        if (lockRefuses) {
            squatted.reset(CreateMutexW(nobody.attributes(), TRUE, wide(forwardLockName(instanceBaseName(module)))));
            ASSERT_TRUE(squatted);
        }
        SingleInstanceGuard launch;
        EXPECT_TRUE(launch.start(module, {u"doc.txt"}, {})) << (lockRefuses ? "lock" : "event");
        EXPECT_EQ(launch.role(), InstanceRole::Off) << (lockRefuses ? "lock" : "event");
        EXPECT_EQ(readBlockWord(primary.block(), kSenderThreadOffset), 0u) << "the slot was written";
    }
}

// The primary's objects carry its integrity level, so that a later start
// of the same level (two elevated starts) trusts them; the system (here
// Wine's) takes the labelled descriptor for every kind of object.
TEST(ForwardHandOver, ThePrimarysObjectsCarryItsLevelAndAreTrustedAtIt) {
    const std::u16string module = u"C:\\forward-test\\" + fromUtf8(std::to_string(GetCurrentProcessId())) + u"\\p.exe";
    const std::u16string base = instanceBaseName(module);
    SingleInstanceGuard first;
    ASSERT_TRUE(first.start(module, {}, {}));
    ASSERT_EQ(first.role(), InstanceRole::Primary);
    const std::pair<const char*, UniqueHandle> objects[] = {
        {"block", UniqueHandle(OpenFileMappingW(READ_CONTROL, FALSE, wide(base)))},
        {"hand-over lock", UniqueHandle(OpenMutexW(READ_CONTROL, FALSE, wide(forwardLockName(base))))},
        {"start event", UniqueHandle(OpenEventW(READ_CONTROL, FALSE, wide(mainStartedEventName(base))))},
        {"hand-over event", UniqueHandle(OpenEventW(READ_CONTROL, FALSE, wide(forwardTakenName(base))))},
    };
    for (const auto& [what, object] : objects) {
        ASSERT_TRUE(object) << what;
        std::optional<ObjectSecurity> security = readObjectSecurity(object.get());
        ASSERT_TRUE(security.has_value()) << what;
        EXPECT_EQ(security->integrity, std::optional<uint32_t>(processIntegrity())) << what;
        EXPECT_NE(security->owner, ObjectOwner::Other) << what;
        EXPECT_TRUE(acceptExistingObject(*security, processIntegrity())) << what;
    }
}

} // namespace
} // namespace launcher
