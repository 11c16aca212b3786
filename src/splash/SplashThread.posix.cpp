#include "splash/SplashThread.h"

namespace launcher {

// Linux has no splash window of the launcher's own: a configured picture is
// shown by the runtime's native splash library.
struct SplashThread::State {};

bool ownSplashWindowAvailable() { return false; }

SplashThread::SplashThread() = default;
SplashThread::~SplashThread() = default;

bool SplashThread::start(const std::u16string&, const std::u16string&, std::atomic<WindowHandle>*) {
    return false;
}

void SplashThread::stop() { state_.reset(); }

} // namespace launcher
