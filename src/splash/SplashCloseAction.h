#pragma once
// Holder of the runtime splash library's SplashClose: the native splash is
// closed when the launch fails or the launcher ends, exactly once.

#include <utility>

namespace launcher {

class SplashCloseAction {
public:
    using Function = void (*)();

    SplashCloseAction() = default;
    ~SplashCloseAction() { run(); }
    SplashCloseAction(const SplashCloseAction&) = delete;
    SplashCloseAction& operator=(const SplashCloseAction&) = delete;

    Function held() const { return function_; }
    // Closes the splash of an earlier holder first when the address differs.
    void hold(Function function) {
        if (function == function_) return;
        run();
        function_ = function;
    }
    // Calls the held function once and forgets it.
    void run() {
        if (Function function = std::exchange(function_, nullptr)) function();
    }

private:
    Function function_ = nullptr;
};

} // namespace launcher
