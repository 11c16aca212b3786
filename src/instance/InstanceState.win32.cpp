// The primary's record of the forwarded launches its workers serve on
// Windows: which the program has got, which are still owed an answer, and
// the end of serving, whether stop() or System.exit brings it.

#include "base/Trace.h"
#include "instance/InstanceState.win32.h"

namespace launcher {

void postAnswer(DWORD thread, UINT message, int32_t value, LPARAM kind) {
    PostThreadMessageW(thread, message, static_cast<WPARAM>(static_cast<uint32_t>(value)), kind);
}

bool SingleInstanceGuard::State::isStopping() {
    AcquireSRWLockShared(&workersLock);
    const bool result = stopping;
    ReleaseSRWLockShared(&workersLock);
    return result;
}

uint64_t SingleInstanceGuard::State::addWorker(DWORD sender) {
    AcquireSRWLockExclusive(&workersLock);
    uint64_t number = 0;
    if (!stopping) {
        ++workers;
        number = ++lastLaunch;
        owed[number] = Owed{sender};
    }
    ReleaseSRWLockExclusive(&workersLock);
    return number;
}

bool SingleInstanceGuard::State::enter(uint64_t launch) {
    AcquireSRWLockExclusive(&workersLock);
    auto found = owed.find(launch);
    // Without secondaryMain a launch kept at the exit only awaits the end.
    const bool entered = (!stopping || !servesLaunches) && found != owed.end();
    if (entered) found->second.entered = true;
    ReleaseSRWLockExclusive(&workersLock);
    return entered;
}

void SingleInstanceGuard::State::answer(uint64_t launch, int32_t value, LPARAM kind) {
    AcquireSRWLockExclusive(&workersLock);
    if (auto found = owed.find(launch); found != owed.end()) {
        postAnswer(found->second.sender, message, value, kind);
        owed.erase(found);
    }
    ReleaseSRWLockExclusive(&workersLock);
}

void ExitMark::exit(jint) {
    if (trace::on()) trace::line(u"single instance: the runtime ends the process: launches it has not got are not served");
    state_.beginStop(true);
}

void ExitMark::abort() { state_.beginStop(true); }

void SingleInstanceGuard::State::workerEnded() {
    AcquireSRWLockExclusive(&workersLock);
    --workers;
    ReleaseSRWLockExclusive(&workersLock);
    WakeAllConditionVariable(&workersChanged);
}

void SingleInstanceGuard::State::beginStop(bool exiting) {
    AcquireSRWLockExclusive(&workersLock);
    stopping = true;
    for (auto at = owed.begin(); at != owed.end();) {
        if (at->second.entered || (exiting && !servesLaunches)) {
            ++at;
            continue;
        }
        postAnswer(at->second.sender, message, 0, kAnswerNotServed);
        at = owed.erase(at);
    }
    ReleaseSRWLockExclusive(&workersLock);
}

int SingleInstanceGuard::State::awaitWorkers(DWORD millis) {
    const DWORD deadline = GetTickCount() + millis;
    AcquireSRWLockExclusive(&workersLock);
    while (workers > 0) {
        const int left = static_cast<int>(deadline - GetTickCount());
        if (left <= 0) break;
        SleepConditionVariableSRW(&workersChanged, &workersLock, static_cast<DWORD>(left), 0);
    }
    const int left = workers;
    ReleaseSRWLockExclusive(&workersLock);
    return left;
}

} // namespace launcher
