#include "instance/SingleInstance.h"
#include "base/Handles.win32.h"
#include "base/Wide.win32.h"
#include "instance/ForwardBlock.h"
#include "instance/InstanceNames.h"
#include "instance/ObjectLabel.win32.h"
#include "instance/ObjectSecurity.win32.h"
#include "base/Trace.h"

#include <span>
#include <thread>

namespace launcher {

struct SingleInstanceGuard::State {
    UniqueHandle mapping;
    UniqueView view;
    UniqueHandle mainStarted; // manual reset: holds the workers back until main runs
    UniqueHandle taken;       // auto reset: the primary has copied the argument slot
    UniqueHandle listener;
    DWORD listenerId = 0;
    UniqueHandle primary; // secondary: the primary's process
    UINT message = 0;
    ForwardServer server;

    std::span<uint8_t> block() const { return {static_cast<uint8_t*>(view.get()), kForwardBlockSize}; }
};

namespace {

constexpr DWORD kSlotWaitMillis = 30000;

// An object that existed before this launch opened it: used only when its
// owner and integrity level say that this user's launches made it.
bool trusted(HANDLE object, std::u16string_view what) {
    std::optional<ObjectSecurity> security = readObjectSecurity(object);
    if (security && acceptExistingObject(*security, processIntegrity())) return true;
    if (trace::on()) {
        trace::say({u"single instance: the ", what, u" belongs to another user or to a lower integrity level: ",
                    u"this start runs on its own"});
    }
    return false;
}

// Creates or opens a named object; one that existed must be trusted.
UniqueHandle sharedObject(HANDLE created, std::u16string_view what) {
    UniqueHandle object(created);
    if (object && GetLastError() == ERROR_ALREADY_EXISTS && !trusted(object.get(), what)) object.reset();
    return object;
}

bool processEnded(DWORD processId) {
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!process) return GetLastError() == ERROR_INVALID_PARAMETER; // no such process
    return WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
}

void startWorker(const std::shared_ptr<SingleInstanceGuard::State>& state, DWORD secondaryThread, TextList arguments) {
    auto work = [state, secondaryThread, arguments = std::move(arguments)] {
        // Nothing may call into Java before main has been called.
        WaitForSingleObject(state->mainStarted.get(), INFINITE);
        const UINT message = state->message;
        state->server(arguments, [secondaryThread, message](int32_t value) {
            PostThreadMessageW(secondaryThread, message, static_cast<WPARAM>(static_cast<uint32_t>(value)), 0);
        });
    };
    try {
        std::thread(std::move(work)).detach();
    } catch (...) {
        // No thread to be had: that launch gets no answer and waits for this
        // process's end, as for a program without secondaryMain.
    }
}

DWORD WINAPI listen(void* param) {
    std::unique_ptr<std::shared_ptr<SingleInstanceGuard::State>> owner(
        static_cast<std::shared_ptr<SingleInstanceGuard::State>*>(param));
    const std::shared_ptr<SingleInstanceGuard::State>& state = *owner;
    MSG msg;
    // Gives the thread its queue at once, so that posts to it succeed.
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message != state->message) continue;
        // A repeated message finds the slot taken, or another launch's; a
        // launch that gave up at its time limit has taken its slot back.
        if (!claimForwardSlot(state->block(), static_cast<uint32_t>(msg.wParam))) continue;
        // The slot is copied as the message arrives and handed back at once,
        // so the next secondary may write it while this one is served.
        TextList arguments = readForwardArguments(state->block());
        clearForwardArguments(state->block());
        SetEvent(state->taken.get());
        startWorker(state, static_cast<DWORD>(msg.wParam), std::move(arguments));
    }
    return 0;
}

bool startPrimary(const std::shared_ptr<SingleInstanceGuard::State>& state, const std::u16string& base,
                  SECURITY_ATTRIBUTES* labelled) {
    state->mainStarted =
        sharedObject(CreateEventW(labelled, TRUE, FALSE, wide(mainStartedEventName(base))), u"start event");
    state->taken = sharedObject(CreateEventW(labelled, FALSE, FALSE, wide(forwardTakenName(base))), u"hand-over event");
    state->message = RegisterWindowMessageW(wide(base));
    if (!state->mainStarted || !state->taken || state->message == 0) return false;
    std::span<uint8_t> block = state->block();
    writeBlockWord(block, kMessageIdOffset, state->message);
    writeBlockWord(block, kPrimaryProcessOffset, GetCurrentProcessId());
    auto* param = new std::shared_ptr<SingleInstanceGuard::State>(state);
    // The system writes the listener's id straight into the shared block.
    auto* idSlot = reinterpret_cast<DWORD*>(block.data() + kListenerThreadOffset);
    state->listener.reset(CreateThread(nullptr, 0, &listen, param, 0, idSlot));
    if (!state->listener) {
        delete param;
        return false;
    }
    state->listenerId = GetThreadId(state->listener.get());
    return true;
}

// Posts this thread's id to the primary's listener until it has taken the
// slot. A primary that is still starting has not written its listener's id
// yet, or its listener has no queue yet; and a posted message has been seen
// to go missing under load. So the post is repeated for a while, as long as
// the primary lives; the sender mark makes the repeats harmless.
bool postToPrimary(std::span<uint8_t> block, HANDLE taken) {
    const DWORD deadline = GetTickCount() + kPrimaryReadyMillis;
    while (true) {
        DWORD listener = readBlockWord(block, kListenerThreadOffset);
        UINT message = readBlockWord(block, kMessageIdOffset);
        DWORD primary = readBlockWord(block, kPrimaryProcessOffset);
        // Only ever to the primary's own thread: the id in the block could
        // name a thread of any process.
        bool posted = listener != 0 && message != 0 && threadOfProcess(listener, primary) &&
                      PostThreadMessageW(listener, message, GetCurrentThreadId(), 0);
        if (WaitForSingleObject(taken, posted ? 250 : 10) == WAIT_OBJECT_0) return true;
        if (primary != 0 && processEnded(primary)) return false;
        // Never taken: the primary cannot be reached; the slot is withdrawn.
        if (static_cast<int>(GetTickCount() - deadline) >= 0) return false;
    }
}

// A claimed slot is copied at once; only a primary that ends on the way
// leaves it uncopied (the launch then learns the primary's exit code).
void awaitCopy(HANDLE taken, DWORD primary) {
    while (WaitForSingleObject(taken, 100) != WAIT_OBJECT_0) {
        if (primary == 0 || processEnded(primary)) return;
    }
}

enum class HandOver { Done, Failed, Untrusted };

// An object that exists but does not let this launch in for the rights the
// hand-over needs was made by someone else: it is not waited on, and this
// start runs on its own rather than failing.
HandOver notOpened(std::u16string_view what) {
    if (GetLastError() != ERROR_ACCESS_DENIED) return HandOver::Failed;
    if (trace::on()) trace::say({u"single instance: the ", what, u" refuses this start access: this start runs on its own"});
    return HandOver::Untrusted;
}

HandOver handOver(SingleInstanceGuard::State& state, const std::u16string& base, const TextList& arguments,
                  SECURITY_ATTRIBUTES* labelled) {
    if (!fitsForwardBlock(arguments)) return HandOver::Failed;
    // The block has one argument slot: the lock keeps it to one secondary
    // from writing until the primary has copied it. Its label keeps
    // programs of lower integrity from opening it, so none can hold it.
    UniqueHandle lock(CreateMutexW(labelled, FALSE, wide(forwardLockName(base))));
    if (!lock) return notOpened(u"hand-over lock");
    if (GetLastError() == ERROR_ALREADY_EXISTS && !trusted(lock.get(), u"hand-over lock")) return HandOver::Untrusted;
    DWORD waited = WaitForSingleObject(lock.get(), kSlotWaitMillis);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return HandOver::Failed;
    ScopeExit release([&] { ReleaseMutex(lock.get()); });
    state.taken.reset(CreateEventW(labelled, FALSE, FALSE, wide(forwardTakenName(base))));
    if (!state.taken) return notOpened(u"hand-over event");
    if (GetLastError() == ERROR_ALREADY_EXISTS && !trusted(state.taken.get(), u"hand-over event")) {
        return HandOver::Untrusted;
    }
    // The answer is posted to this thread: it needs its queue before then.
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    std::span<uint8_t> block = state.block();
    // Reset before the slot can be claimed: a claim made by an earlier
    // message that carries this thread's id (ids are reused) must not lose
    // its signal.
    ResetEvent(state.taken.get());
    writeForwardArguments(block, arguments);
    writeBlockWord(block, kSenderThreadOffset, GetCurrentThreadId());
    if (!postToPrimary(block, state.taken.get())) {
        if (withdrawForwardSlot(block, GetCurrentThreadId())) return HandOver::Failed;
        // The primary claimed the slot just as the time ran out: it is being
        // copied and the launch will be served. The slot stays this launch's
        // until the copy is done.
        awaitCopy(state.taken.get(), readBlockWord(block, kPrimaryProcessOffset));
    }
    // The primary's process, held while this launch waits for its answer or
    // its end; it has written its id before it could take the slot.
    const DWORD primary = readBlockWord(block, kPrimaryProcessOffset);
    state.primary.reset(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, primary));
    if (trace::on()) trace::say({u"single instance: handed over to process ", toDecimal(static_cast<long long>(primary))});
    return HandOver::Done;
}

// Forwarding is off for this start; the trace says why.
bool unavailable(std::u16string_view why) {
    const DWORD error = GetLastError();
    if (trace::on()) {
        trace::say({u"single instance: ", why, u" (error ", toDecimal(static_cast<long long>(error)),
                    u"): this start runs on its own"});
    }
    return true;
}

} // namespace

SingleInstanceGuard::SingleInstanceGuard() = default;

SingleInstanceGuard::~SingleInstanceGuard() { stop(); }

bool SingleInstanceGuard::start(std::u16string_view modulePath, const TextList& arguments, ForwardServer server) {
    const std::u16string base = instanceBaseName(modulePath);
    auto state = std::make_shared<State>();
    state->server = std::move(server);
    // Every object is labelled with this process's level: without a label
    // an elevated start's objects read as medium, below the next elevated
    // start, which would then not hand over.
    ObjectLabel label(processIntegrity());
    if (!label && trace::on()) trace::line(u"single instance: no integrity label for the shared objects");
    state->mapping.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, label.attributes(), PAGE_READWRITE, 0,
                                            kForwardBlockSize, wide(base)));
    if (!state->mapping) return unavailable(u"the shared block cannot be made");
    const bool primary = GetLastError() != ERROR_ALREADY_EXISTS;
    if (!primary && !trusted(state->mapping.get(), u"shared block")) return true;
    state->view.reset(MapViewOfFile(state->mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!state->view) return unavailable(u"the shared block cannot be mapped");
    state_ = state;
    if (primary) {
        if (!startPrimary(state, base, label.attributes())) {
            state_.reset();
            return unavailable(u"this start cannot serve later ones");
        }
        role_ = InstanceRole::Primary;
        return true;
    }
    role_ = InstanceRole::Secondary;
    switch (handOver(*state, base, arguments, label.attributes())) {
    case HandOver::Done: return true;
    case HandOver::Failed: return false;
    case HandOver::Untrusted: break;
    }
    state_.reset();
    role_ = InstanceRole::Off;
    return true;
}

void SingleInstanceGuard::mainStarted() {
    if (role_ == InstanceRole::Primary) SetEvent(state_->mainStarted.get());
}

// Waiting secondaries read this process's exit code from the system.
void SingleInstanceGuard::setExitCode(int) {}

void SingleInstanceGuard::stop() {
    if (role_ != InstanceRole::Primary || !state_) return;
    if (state_->listener) {
        DWORD code = STILL_ACTIVE;
        while (GetExitCodeThread(state_->listener.get(), &code) && code == STILL_ACTIVE) {
            PostThreadMessageW(state_->listenerId, WM_QUIT, 0, 0);
            WaitForSingleObject(state_->listener.get(), 50);
        }
        state_->listener.reset();
    }
    // Workers still waiting keep the event; the block goes now, so that the
    // next launch becomes a primary of its own.
    state_->view.reset();
    state_->mapping.reset();
    state_.reset();
    role_ = InstanceRole::Off;
}

std::optional<int> SingleInstanceGuard::waitForPrimary() {
    if (role_ != InstanceRole::Secondary) return 0;
    const UINT message = readBlockWord(state_->block(), kMessageIdOffset);
    // Without the primary's process neither its answer nor its end can be
    // awaited: that is no success.
    const UniqueHandle& primary = state_->primary;
    if (!primary) return -1;
    auto answer = [message](int32_t& value) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == message) {
                value = static_cast<int32_t>(static_cast<uint32_t>(msg.wParam));
                return true;
            }
        }
        return false;
    };
    while (true) {
        int32_t value = 0;
        if (answer(value)) return value;
        DWORD code = 0;
        if (!GetExitCodeProcess(primary.get(), &code)) return -1;
        if (code != STILL_ACTIVE) return answer(value) ? value : static_cast<int32_t>(code);
        // Wakes for a posted answer or the primary's end, whichever is first.
        HANDLE handle = primary.get();
        MsgWaitForMultipleObjects(1, &handle, FALSE, 100, QS_POSTMESSAGE);
    }
}

} // namespace launcher
