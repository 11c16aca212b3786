#pragma once
// The launcher's own splash window, on a thread of its own that runs the
// window's message loop until it is told to quit.

#include "base/Platform.h"

#include <atomic>
#include <memory>
#include <string>

namespace launcher {

// False where the platform leaves every splash to the runtime's library.
bool ownSplashWindowAvailable();

class SplashThread {
public:
    SplashThread();
    ~SplashThread();
    SplashThread(const SplashThread&) = delete;
    SplashThread& operator=(const SplashThread&) = delete;

    // Starts the thread that shows the picture at imagePath; the thread
    // writes its window into *owner once the window exists. False when no
    // thread could be started (or the platform has no splash window of its
    // own): then there is nothing to stop.
    bool start(const std::u16string& imagePath, const std::u16string& shadowText, std::atomic<WindowHandle>* owner);
    // Posts WM_QUIT until the thread has left its loop and ended; the
    // window has been destroyed by then. Does nothing when not started.
    void stop();
    bool running() const { return state_ != nullptr; }

    struct State;

private:
    std::unique_ptr<State> state_;
};

} // namespace launcher
