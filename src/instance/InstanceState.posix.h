#pragma once
// The Linux port meets its other launches at a Unix socket named from the
// user and the executable's path: a file in the user's runtime folder
// (XDG_RUNTIME_DIR), which no other user can reach, or, without one, an
// abstract name (Rendezvous.posix.cpp). Binding the name is the test of who
// is first. A socket file outlives a primary that crashed: one that nobody
// listens on is stale, and the next launch takes it over, under a lock so
// that only one does.
//
// A secondary sends the forward block over the connection; the primary
// acknowledges it with 'T' once it has taken it, and later answers once:
// 'A' with secondaryMain's value, 'N' when it could not serve the launch
// (nothing of it was used), or 'E' with the primary's exit code when the
// primary ends first (no other process can read a process's exit code
// here, so the primary tells it). A connection that ends before the 'T'
// left the arguments unused: that launch settles its role anew.
//
// The state a launch keeps is shared by the settling of roles
// (SingleInstance.posix.cpp) and the primary's listener and workers
// (PrimaryListener.posix.cpp).

#include "base/Descriptor.posix.h"
#include "instance/ForwardBlock.h"
#include "instance/Rendezvous.posix.h"
#include "instance/SingleInstance.h"
#include "jvm/VmHooks.h"

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>

namespace launcher {

// A reply is its kind and a 32-bit value.
inline constexpr char kTaken = 'T';
inline constexpr char kAnswer = 'A';
inline constexpr char kNotServed = 'N';
inline constexpr char kExited = 'E';
inline constexpr size_t kReplySize = 5;

// Tells waiting secondaries the code that System.exit ends this process with.
class ExitAnnouncer : public VmExitListener {
public:
    explicit ExitAnnouncer(SingleInstanceGuard::State& state) : state_(state) {}
    void exit(jint code) override;
    void abort() override;

private:
    SingleInstanceGuard::State& state_;
};

// A connection owed an answer; handed once the program has got the launch.
struct OwedAnswer {
    UniqueDescriptor connection;
    bool handed = false;
};

struct SingleInstanceGuard::State {
    SocketName name;
    UniqueDescriptor socket; // primary: listening; secondary: the connection
    UniqueDescriptor wakeRead, wakeWrite;
    std::thread listener;
    ForwardServer server;
    ExitAnnouncer announcer{*this};

    std::mutex lock;
    std::condition_variable changed;
    bool started = false;  // main has been called
    bool servesLaunches = true; // the main class has a secondaryMain
    bool stopping = false;
    int workers = 0;       // started and not yet ended: stop() waits for them
    int exitCode = -1;     // until run settles it
    std::map<uint64_t, OwedAnswer> waiting;
    uint64_t nextId = 0;

    void reply(uint64_t id, char kind, int32_t value) {
        std::lock_guard guard(lock);
        auto found = waiting.find(id);
        if (found == waiting.end()) return;
        send(found->second.connection.get(), kind, value);
        waiting.erase(found);
    }
    // A launch that the program got and left unanswered learns the exit
    // code, as it would from the system on Windows. One that the program
    // never got was not served, also when System.exit ends the process
    // while its worker attaches: it may start anew. A program without
    // secondaryMain gets no launch: each waits for the end and its code.
    void announceExit(int code, bool orderly) {
        std::lock_guard guard(lock);
        for (auto& [id, owed] : waiting) {
            const bool served = owed.handed || (!orderly && !servesLaunches);
            send(owed.connection.get(), served ? kExited : kNotServed, served ? code : 0);
        }
        waiting.clear();
        stopping = true;
        changed.notify_all();
    }
    static bool send(int fd, char kind, int32_t value) {
        std::array<uint8_t, kReplySize> bytes{static_cast<uint8_t>(kind)};
        writeBlockWord(bytes, 1, static_cast<uint32_t>(value));
        return sendAll(fd, bytes.data(), bytes.size());
    }
};

// System.exit ends the process at once, as the end of a process does for
// the launches waiting on it on Windows.
inline void ExitAnnouncer::exit(jint code) { state_.announceExit(code, false); }
inline void ExitAnnouncer::abort() { state_.announceExit(-1, false); }

} // namespace launcher
