#include "ui/InstallWorker.win32.h"

namespace launcher {

InstallWorker::~InstallWorker() {
    if (!thread_) return;
    // The task ends soon after the flag (the download layer stops waiting
    // for the network at once); only an unpack under way is finished first.
    state_->cancel = true;
    WaitForSingleObject(thread_.get(), INFINITE);
}

bool InstallWorker::start(HWND window, const InstallTask& task) {
    if (thread_) return false;
    auto state = std::make_unique<State>();
    state->window = window;
    state->task = task;
    failure_.clear();
    cancelled_ = false;
    // CreateThread rather than std::thread: the state is ours and lives
    // until the thread has been waited for.
    thread_.reset(CreateThread(nullptr, 0, &threadMain, state.get(), 0, nullptr));
    if (!thread_) return false;
    state_ = std::move(state);
    return true;
}

void InstallWorker::cancel() {
    if (state_) state_->cancel = true;
}

DWORD WINAPI InstallWorker::threadMain(void* parameter) {
    auto* state = static_cast<State*>(parameter);
    InstallProgress progress = [state](uint64_t received, std::optional<uint64_t> total) {
        state->received = received;
        state->total = total.value_or(0);
        // One message at a time in the queue: a fast download does not
        // flood the window with more than it can draw.
        if (!state->progressPosted.exchange(true)) PostMessageW(state->window, kProgressMessage, 0, 0);
    };
    std::u16string failure = state->task(progress, state->cancel);
    state->failure = std::move(failure);
    state->ended = true;
    PostMessageW(state->window, kFinishedMessage, 0, 0);
    return 0;
}

bool InstallWorker::progress(uint64_t& received, std::optional<uint64_t>& total) {
    if (!state_) return false;
    state_->progressPosted = false;
    received = state_->received.load();
    const uint64_t whole = state_->total.load();
    total = whole ? std::optional<uint64_t>(whole) : std::nullopt;
    return true;
}

bool InstallWorker::finish() {
    if (!state_ || !state_->ended.load()) return false;
    WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
    failure_ = std::move(state_->failure);
    cancelled_ = state_->cancel.load();
    state_.reset();
    return true;
}

} // namespace launcher
