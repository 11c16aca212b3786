#pragma once
// Single-instance forwarding: the first launch of an executable (the
// primary) runs the Java program; a later launch (a secondary) hands its
// arguments to the primary, which serves them on a thread of its own once
// main has started, and the secondary ends with the primary's answer.

#include "base/Text.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace launcher {

// Sends a forwarded launch its answer; at most once.
using ForwardReply = std::function<void(int32_t value)>;
// Asked by the server just before the program gets the launch: false once
// the primary has begun to end (System.exit included), and then nothing of
// the launch may reach the program: the secondary has been told that it
// was not served and starts anew. A launch that the program got is never
// told so.
using ForwardEnter = std::function<bool()>;
// Serves one forwarded launch on a worker thread, after main has started.
// Leaving reply uncalled leaves the secondary waiting for the primary's end.
// False when the launch could not be served at all (the runtime is gone,
// or the worker could not attach to it, or enter said no): the secondary is
// then told so, and its arguments are its own again.
using ForwardServer =
    std::function<bool(const TextList& arguments, const ForwardReply& reply, const ForwardEnter& enter)>;

enum class InstanceRole { Off, Primary, Secondary };

// How long a secondary waits for a primary that is starting up, and for its
// turn at the argument slot.
inline constexpr int kPrimaryReadyMillis = 5000;
// How long a stopping primary waits for the workers still serving launches.
// By then the runtime has waited for every thread inside the program, so
// this is the short way out of the server; a worker that is not out in time
// keeps what it uses (its state and the server are shared with it).
inline constexpr int kWorkersEndMillis = 5000;

class SingleInstanceGuard {
public:
    SingleInstanceGuard();
    ~SingleInstanceGuard();
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

    // Settles the role for the executable at modulePath. A primary starts
    // listening and serves forwarded launches through server; a secondary
    // hands arguments over. False only when a secondary's hand-over failed
    // (arguments too large, primary unreachable). When the mechanism itself
    // is unavailable, forwarding is off and the result is true.
    bool start(std::u16string_view modulePath, const TextList& arguments, ForwardServer server);
    InstanceRole role() const { return role_; }

    // Primary: main is about to be called; forwarded launches may be served.
    // servesLaunches: the main class has a secondaryMain. Without one a
    // launch only ever waits for this start's end and takes its exit code,
    // also when System.exit ends it.
    void mainStarted(bool servesLaunches = true);
    // Primary: the exit code this process is going to end with.
    void setExitCode(int code);
    // Primary: stops serving; secondaries still waiting learn the exit code
    // where the platform cannot tell them otherwise. A worker that wakes
    // from here on answers "not served" without calling the server, and
    // stop returns once the workers have ended (kWorkersEndMillis at most).
    void stop();

    // Secondary: the primary's answer, or its exit code once it has ended;
    // none when the primary could not serve this launch: nothing of it was
    // used, and start may be called again to settle a new role.
    std::optional<int> waitForPrimary();

    struct State; // the platform's mechanism

private:
    InstanceRole role_ = InstanceRole::Off;
    std::shared_ptr<State> state_;
};

} // namespace launcher
