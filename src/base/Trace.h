#pragma once
// The launch trace: one line per decision of the launch, for support staff
// who must learn what the launcher saw on a machine they cannot reach.
// Enabled once at start from QX_LAUNCHER_TRACE; while it is off every trace
// point costs one test of a flag and formats nothing, so callers write
//     if (trace::on()) trace::say(u"...", value);
// Tracing never throws and never changes the launch: a sink that cannot be
// opened or written leaves the launch untraced.

#include "base/Text.h"

#include <cstdint>
#include <initializer_list>
#include <optional>

namespace launcher::trace {

namespace detail {
extern bool enabled;
} // namespace detail

inline bool on() noexcept { return detail::enabled; }

// What the process may trace to. An elevated process must not create or
// append to a file that the variable names: the variable is the unelevated
// user's to set, and the process may write where the user may not.
struct SinkRules {
    bool elevated = false;
    // Standard error is the process's own: the console variant, Linux.
    bool standardErrorIsOwn = true;
};

// Reads the variable and opens its sink, or says on standard error why a
// trace that was asked for is not written; call once, before other threads
// start.
void enableFromEnvironment(const SinkRules& rules = {}) noexcept;
// Closes the sink and turns tracing off (for tests).
void disable() noexcept;

// Writes one line with its time offset.
void line(std::u16string_view text) noexcept;
// Writes the parts joined as one line.
void say(std::initializer_list<std::u16string_view> parts) noexcept;

// Where the trace goes, from the variable's value.
enum class SinkKind { None, StandardError, File };
struct SinkChoice {
    SinkKind kind = SinkKind::None;
    std::u16string path; // for a file, with %NAME% references expanded
    std::u16string refusal; // why a trace that was asked for goes nowhere
};
// "1" and "stderr" mean standard error; an empty or unset value means no
// trace; anything else names a file to append to, after its %NAME%
// references are expanded as in the redirection file names. An elevated
// process traces only to a standard error of its own, and refuses the rest.
SinkChoice chooseSink(const std::optional<std::u16string>& value, const SinkRules& rules = {});

// One trace line as written: the offset in milliseconds, right-aligned, the
// process id, and the text with control characters made visible so that a
// value never breaks the one-line-per-step layout. UTF-8, ending in "\n".
std::string formatLine(uint64_t milliseconds, uint32_t processId, std::u16string_view text);

// The platform's part. The time since the process was created is read once,
// when tracing starts; later offsets add a steady clock's progress to it.
uint64_t millisecondsSinceProcessStart() noexcept;
uint32_t currentProcessId() noexcept;
// Opens the sink; false when it cannot be opened.
bool openSink(const SinkChoice& choice) noexcept;
void writeSink(std::string_view bytes) noexcept;
void closeSink() noexcept;

} // namespace launcher::trace
