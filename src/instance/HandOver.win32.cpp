// A later launch's side of forwarding on Windows: writing the argument
// slot, posting to the primary's listener, and waiting for the answer. Each
// wait also watches the primary's process, so that a primary that ends or
// crashes on the way never leaves a launch waiting.

#include "instance/HandOver.win32.h"
#include "base/Trace.h"
#include "base/Wide.win32.h"
#include "instance/InstanceNames.h"
#include "instance/InstanceState.win32.h"
#include "instance/NamedObjects.win32.h"
#include "instance/ObjectSecurity.win32.h"

namespace launcher {

namespace {

enum class Copy { Taken, PrimaryEnded, TimedOut };

// Waits for the primary to copy the slot, or to end first.
Copy awaitTaken(HANDLE taken, HANDLE primary, DWORD millis) {
    // The event first: a primary that copied and then ended has taken it.
    HANDLE both[2] = {taken, primary};
    switch (WaitForMultipleObjects(2, both, FALSE, millis)) {
    case WAIT_OBJECT_0: return Copy::Taken;
    case WAIT_OBJECT_0 + 1: return Copy::PrimaryEnded;
    default: return Copy::TimedOut;
    }
}

// Posts this thread's id to the primary's listener until it has taken the
// slot. A primary that is still starting has not written its listener's id
// yet, or its listener has no queue yet; and a posted message has been seen
// to go missing under load. So the post is repeated for a while, as long as
// the primary lives; the sender mark makes the repeats harmless.
Copy postToPrimary(std::span<uint8_t> block, HANDLE taken, HANDLE primary, DWORD primaryId) {
    const DWORD deadline = GetTickCount() + kPrimaryReadyMillis;
    while (true) {
        DWORD listener = readBlockWord(block, kListenerThreadOffset);
        UINT message = readBlockWord(block, kMessageIdOffset);
        // Only ever to the primary's own thread: the id in the block could
        // name a thread of any process.
        bool posted = listener != 0 && message != 0 && threadOfProcess(listener, primaryId) &&
                      PostThreadMessageW(listener, message, GetCurrentThreadId(), 0);
        Copy copy = awaitTaken(taken, primary, posted ? 250 : 10);
        if (copy != Copy::TimedOut) return copy;
        if (static_cast<int>(GetTickCount() - deadline) >= 0) return Copy::TimedOut;
    }
}

// The slot as an earlier launch left it: one that died holding the lock may
// have left its arguments there, claimed or not. An unclaimed one is taken
// back; a claimed one is being copied by the primary, which then clears the
// slot, so it is awaited before this launch writes.
bool slotFree(std::span<uint8_t> block, HANDLE taken, HANDLE primary) {
    const uint32_t left = readBlockWord(block, kSenderThreadOffset);
    if (left == 0 || withdrawForwardSlot(block, left)) return true;
    if (readBlockWord(block, kSenderThreadOffset) != kSlotClaimed) return true;
    return awaitTaken(taken, primary, kPrimaryReadyMillis) == Copy::Taken;
}

// The hand-over event could not be used. One that exists but refuses this
// launch the access it needs was made by someone else: like one that is
// not trusted, it leaves this start on its own rather than failing it.
HandOver eventRefused() {
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS) return HandOver::Untrusted; // the trust check said why
    if (error != ERROR_ACCESS_DENIED) return HandOver::Failed;
    if (trace::on()) trace::line(u"single instance: the hand-over event refuses this start access");
    return HandOver::Untrusted;
}

void sayPrimary(std::u16string_view what, DWORD primary) {
    if (trace::on()) trace::say({u"single instance: process ", toDecimal(static_cast<long long>(primary)), what});
}

} // namespace

HandOver handOver(SingleInstanceGuard::State& state, const TextList& arguments) {
    if (!fitsForwardBlock(arguments)) return HandOver::Failed;
    state.taken = sharedObject(createSharedEvent(forwardTakenName(state.base), false), u"hand-over event");
    if (!state.taken) return eventRefused();
    std::span<uint8_t> block = state.block();
    state.primaryId = readBlockWord(block, kPrimaryProcessOffset);
    state.message = readBlockWord(block, kMessageIdOffset);
    state.primary.reset(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, state.primaryId));
    if (!state.primary) return HandOver::PrimaryGone;
    if (!slotFree(block, state.taken.get(), state.primary.get())) return HandOver::Failed;
    // The answer is posted to this thread: it needs its queue before then.
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    // Reset before the slot can be claimed: a claim made by an earlier
    // message that carries this thread's id (ids are reused) must not lose
    // its signal.
    ResetEvent(state.taken.get());
    writeForwardArguments(block, arguments);
    writeBlockWord(block, kSenderThreadOffset, GetCurrentThreadId());
    Copy copy = postToPrimary(block, state.taken.get(), state.primary.get(), state.primaryId);
    if (copy == Copy::TimedOut) {
        if (withdrawForwardSlot(block, GetCurrentThreadId())) return HandOver::Failed;
        // The primary claimed the slot just as the time ran out: it is being
        // copied and the launch will be served. The slot stays this launch's
        // until the copy is done.
        copy = awaitTaken(state.taken.get(), state.primary.get(), INFINITE);
    }
    if (copy == Copy::PrimaryEnded) {
        // The primary ended before it copied the slot: it started no worker
        // for this launch, whose arguments are its own again.
        if (!withdrawForwardSlot(block, GetCurrentThreadId())) clearForwardArguments(block);
        sayPrimary(u" ended before it took this launch's arguments", state.primaryId);
        return HandOver::PrimaryGone;
    }
    sayPrimary(u" took this launch's arguments", state.primaryId);
    return HandOver::Done;
}

std::optional<int> awaitAnswer(SingleInstanceGuard::State& state) {
    // Without the primary's process neither its answer nor its end can be
    // awaited: that is no success.
    if (!state.primary) return -1;
    const UINT message = state.message;
    enum class Heard { Nothing, Answer, NotServed };
    auto answer = [message](int32_t& value) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message != message) continue;
            if (msg.lParam == kAnswerNotServed) return Heard::NotServed;
            value = static_cast<int32_t>(static_cast<uint32_t>(msg.wParam));
            return Heard::Answer;
        }
        return Heard::Nothing;
    };
    while (true) {
        int32_t value = 0;
        Heard heard = answer(value);
        if (heard == Heard::Answer) return value;
        if (heard == Heard::NotServed) {
            sayPrimary(u" could not serve this launch", state.primaryId);
            return std::nullopt;
        }
        DWORD code = 0;
        if (!GetExitCodeProcess(state.primary.get(), &code)) return -1;
        if (code != STILL_ACTIVE) {
            heard = answer(value);
            if (heard == Heard::Answer) return value;
            if (heard == Heard::NotServed) return std::nullopt;
            if (trace::on()) {
                trace::say({u"single instance: process ", toDecimal(static_cast<long long>(state.primaryId)),
                            u" ended before it answered this launch; its exit code ",
                            toDecimal(static_cast<long long>(static_cast<int32_t>(code)))});
            }
            return static_cast<int32_t>(code);
        }
        // Wakes for a posted answer or the primary's end, whichever is first.
        HANDLE handle = state.primary.get();
        MsgWaitForMultipleObjects(1, &handle, FALSE, 100, QS_POSTMESSAGE);
    }
}

} // namespace launcher
