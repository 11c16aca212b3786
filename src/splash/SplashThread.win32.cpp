#include "splash/SplashThread.h"
#include "base/Handles.win32.h"
#include "splash/SplashChoice.h"
#include "splash/SplashScreen.win32.h"

namespace launcher {

struct SplashThread::State {
    std::u16string imagePath;
    bool shadow = false;
    std::atomic<WindowHandle>* owner = nullptr;
    SplashScreen screen;
    UniqueHandle thread;
    DWORD threadId = 0;
};

namespace {

DWORD WINAPI splashThreadMain(void* param) {
    auto* state = static_cast<SplashThread::State*>(param);
    HWND window = state->screen.create(state->imagePath, state->shadow);
    // From here on every message box of the launcher is owned by the splash.
    *state->owner = window;
    if (window) {
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
    }
    // Without a window the loop still runs, so that stopping works the same.
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (window) {
        *state->owner = nullptr;
        DestroyWindow(window);
    }
    return 0;
}

} // namespace

bool ownSplashWindowAvailable() { return true; }

SplashThread::SplashThread() = default;

SplashThread::~SplashThread() { stop(); }

bool SplashThread::start(const std::u16string& imagePath, const std::u16string& shadowText, std::atomic<WindowHandle>* owner) {
    stop();
    auto state = std::make_unique<State>();
    state->imagePath = imagePath;
    state->shadow = splashShadowRequested(shadowText);
    state->owner = owner;
    state->thread.reset(CreateThread(nullptr, 0, &splashThreadMain, state.get(), 0, &state->threadId));
    if (!state->thread) return false;
    state_ = std::move(state);
    return true;
}

void SplashThread::stop() {
    if (!state_) return;
    // The thread may not have its message queue yet, when a post is lost:
    // post again until it has left its loop.
    do {
        PostThreadMessageW(state_->threadId, WM_QUIT, 0, 0);
    } while (WaitForSingleObject(state_->thread.get(), 1) == WAIT_TIMEOUT);
    state_.reset();
}

} // namespace launcher
