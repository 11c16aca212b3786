#pragma once
// The Windows mechanism of single-instance forwarding: the state a launch
// keeps, with the primary's record of the launches it serves
// (InstanceState.win32.cpp), shared by the settling of roles
// (SingleInstance.win32.cpp), the primary's listener
// (PrimaryListener.win32.cpp) and a later launch's side (HandOver.win32.cpp);
// the named objects they meet at are made in NamedObjects.win32.cpp.
//
// The launches of one executable meet at a named shared block and a named
// hand-over lock. Who is primary is decided under the lock: the block names
// the primary's process and its listener thread; a launch that finds no
// live primary there (none yet, one that has ended or crashed, or one that
// has let go on its way out) takes the block over and is the primary. Any
// other launch writes its arguments into the block's slot, still under the
// lock, and posts its thread id to the listener, which copies the slot,
// signals the hand-over event and serves the launch on a worker thread.

#include "base/Handles.win32.h"
#include "base/Text.h"
#include "instance/ForwardBlock.h"
#include "instance/SingleInstance.h"
#include "jvm/VmHooks.h"

#include <map>
#include <span>
#include <string>

namespace launcher {

// Marks the primary as ending when the runtime ends the process
// (System.exit), which never returns to stop().
class ExitMark : public VmExitListener {
public:
    explicit ExitMark(SingleInstanceGuard::State& state) : state_(state) {}
    void exit(jint code) override;
    void abort() override;

private:
    SingleInstanceGuard::State& state_;
};

struct SingleInstanceGuard::State {
    std::u16string base;
    UniqueHandle lock; // the hand-over lock
    UniqueHandle mapping;
    UniqueView view;
    UniqueHandle taken; // auto reset: the primary has copied the argument slot
    UINT message = 0;
    ForwardServer server;

    // Primary.
    UniqueHandle mainStarted; // named, manual reset: signalled just before main
    UniqueHandle ready;       // this process's own: main has started, workers may serve
    UniqueHandle stopped;     // this process's own: workers that have not served answer "not served"
    UniqueHandle listener;
    DWORD listenerId = 0;

    // Whether a launch may reach the program is decided under this lock,
    // against stopping, so that none does once the primary has begun to
    // end; stop() waits here until the workers it counts have ended.
    SRWLOCK workersLock = SRWLOCK_INIT;
    CONDITION_VARIABLE workersChanged = CONDITION_VARIABLE_INIT;
    bool stopping = false;
    bool servesLaunches = true; // the main class has a secondaryMain
    int workers = 0; // started and not yet ended
    // Each launch a worker serves, until it is answered: its sender, and
    // whether the program has got it.
    struct Owed {
        DWORD sender = 0;
        bool entered = false;
    };
    std::map<uint64_t, Owed> owed;
    uint64_t lastLaunch = 0;
    ExitMark exitMark{*this};

    bool isStopping();
    // Counts a worker about to serve sender's launch: the launch's number,
    // or 0 once stopping.
    uint64_t addWorker(DWORD sender);
    void workerEnded();
    // The program may get the launch: true unless the primary has begun to
    // end (the launch has then been answered "not served").
    bool enter(uint64_t launch);
    // Answers the launch, unless it has been answered already.
    void answer(uint64_t launch, int32_t value, LPARAM kind);
    // Marks the primary as stopping: the launches the program has not got
    // are answered "not served" at once (their workers may be stuck in a
    // runtime that is ending), and later workers serve nothing. When the
    // runtime ends the process (exiting) and the program has no
    // secondaryMain, the launches are left to learn the exit code.
    void beginStop(bool exiting = false);
    // Waits, at most millis, for the counted workers to end; how many are left.
    int awaitWorkers(DWORD millis);

    // Secondary: the primary's process, held while the launch waits for it.
    UniqueHandle primary;
    DWORD primaryId = 0;

    std::span<uint8_t> block() const { return {static_cast<uint8_t*>(view.get()), kForwardBlockSize}; }
};

// The answer's kind travels in the posted message's lParam.
inline constexpr LPARAM kAnswerServed = 0;
inline constexpr LPARAM kAnswerNotServed = 1;
// Posts a forwarded launch its answer, to the thread that waits for it.
void postAnswer(DWORD thread, UINT message, int32_t value, LPARAM kind);

} // namespace launcher
