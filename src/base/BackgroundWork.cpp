#include "base/BackgroundWork.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace launcher {

namespace {

struct WorkState {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::atomic<bool> cancel{false};
};

// Shared with the thread, which may outlive every other holder when the
// process ends without waiting for it.
std::mutex currentMutex;
std::shared_ptr<WorkState> current;

} // namespace

bool startBackgroundWork(BackgroundTask task) {
    std::lock_guard<std::mutex> guard(currentMutex);
    if (current) {
        std::lock_guard<std::mutex> state(current->mutex);
        if (!current->done) return false;
    }
    auto state = std::make_shared<WorkState>();
    try {
        std::thread([state, task = std::move(task)] {
            lowerThisThreadPriority();
            task(state->cancel);
            std::lock_guard<std::mutex> lock(state->mutex);
            state->done = true;
            state->ended.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    current = std::move(state);
    return true;
}

void endBackgroundWork(int code, std::chrono::milliseconds wait) {
    std::shared_ptr<WorkState> state;
    {
        std::lock_guard<std::mutex> guard(currentMutex);
        state = current;
    }
    if (!state) return;
    state->cancel = true;
    std::unique_lock<std::mutex> lock(state->mutex);
    if (state->ended.wait_for(lock, wait, [&] { return state->done; })) return;
    endProcessNow(code);
}

} // namespace launcher
