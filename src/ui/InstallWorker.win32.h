#pragma once
// An install task on a worker thread of its own, reported to one window by
// posted messages only: the worker never touches a window, so the window
// stays responsive (Cancel works at once) however the download goes.

#include "base/Handles.win32.h"
#include "ui/InstallOffer.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

namespace launcher {

class InstallWorker {
public:
    // Posted to the window: new progress to show; the worker has ended.
    static constexpr UINT kProgressMessage = WM_APP + 0x51;
    static constexpr UINT kFinishedMessage = WM_APP + 0x52;

    InstallWorker() = default;
    // Cancels a running task and waits for its thread.
    ~InstallWorker();
    InstallWorker(const InstallWorker&) = delete;
    InstallWorker& operator=(const InstallWorker&) = delete;

    // Starts task for window; false when no thread could be had.
    bool start(HWND window, const InstallTask& task);
    // Asks the task to end soon; its end is still posted.
    void cancel();
    bool running() const { return static_cast<bool>(thread_); }
    bool cancelled() const { return cancelled_ || (state_ && state_->cancel.load()); }

    // On kProgressMessage: the latest figures, and a new message may be
    // posted from now on. False when no task runs.
    bool progress(uint64_t& received, std::optional<uint64_t>& total);
    // On kFinishedMessage: true when the task has really ended (a message
    // another program posted proves nothing); its thread is then gone and
    // failure() holds its message, empty on success.
    bool finish();
    const std::u16string& failure() const { return failure_; }

private:
    struct State {
        HWND window = nullptr;
        InstallTask task;
        std::atomic<bool> cancel{false};
        std::atomic<uint64_t> received{0};
        std::atomic<uint64_t> total{0}; // 0: not known
        std::atomic<bool> progressPosted{false};
        std::atomic<bool> ended{false};
        std::u16string failure; // written by the worker before ended
    };
    static DWORD WINAPI threadMain(void* parameter);

    std::unique_ptr<State> state_;
    UniqueHandle thread_;
    std::u16string failure_;
    bool cancelled_ = false;
};

} // namespace launcher
