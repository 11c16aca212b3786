#include "base/Trace.h"
#include "base/ConsoleVariant.h"
#include "base/Environment.h"
#include "base/ModulePath.h"
#include "base/Platform.h"
#include "base/VariableLookup.h"

#include <chrono>

namespace launcher::trace {

namespace detail {
bool enabled = false;
} // namespace detail

namespace {

constexpr std::u16string_view kVariable = u"QX_LAUNCHER_TRACE";

using Clock = std::chrono::steady_clock;
// The offset at the moment tracing started, and the clock reading then.
uint64_t startOffset = 0;
Clock::time_point startReading;

uint64_t elapsedMilliseconds() noexcept {
    auto progress = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - startReading).count();
    return startOffset + static_cast<uint64_t>(progress < 0 ? 0 : progress);
}

void appendHex(std::u16string& out, char16_t c) {
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    out.append(u"\\x");
    out.push_back(kDigits[(c >> 4) & 0xF]);
    out.push_back(kDigits[c & 0xF]);
}

} // namespace

SinkChoice chooseSink(const std::optional<std::u16string>& value, const SinkRules& rules) {
    if (!value || value->empty()) return {};
    const bool standardError = *value == u"1" || *value == u"stderr";
    if (!rules.elevated) {
        if (standardError) return {SinkKind::StandardError, {}, {}};
        return {SinkKind::File, expandEnvironmentCopy(*value), {}};
    }
    if (standardError && rules.standardErrorIsOwn) return {SinkKind::StandardError, {}, {}};
    SinkChoice refused;
    refused.refusal = standardError
                          ? u"the launch trace is not written: the process runs elevated, and only the console "
                            u"variant traces to standard error then"
                          : u"the launch trace is not written to " + *value +
                                u": the process runs elevated, and would create or append to a file the user names; "
                                u"set QX_LAUNCHER_TRACE=stderr for the console variant instead";
    return refused;
}

std::string formatLine(uint64_t milliseconds, uint32_t processId, std::u16string_view text) {
    std::u16string out = toDecimal(static_cast<long long>(milliseconds));
    // Right-aligned to six digits: a start takes seconds, not minutes, and
    // the columns of a trace stay readable.
    if (out.size() < 6) out.insert(0, 6 - out.size(), u' ');
    out.append(u" ms [");
    out.append(toDecimal(processId));
    out.append(u"] ");
    for (char16_t c : text) {
        if (c < 0x20 || c == 0x7F) {
            appendHex(out, c);
        } else {
            out.push_back(c);
        }
    }
    out.push_back(u'\n');
    return toUtf8(out);
}

void enableFromEnvironment(const SinkRules& rules) noexcept {
    if (detail::enabled) return;
    try {
        // By readVariable's rules; its trace lines need the trace, which is
        // not on yet.
        const VariableReading reading = lookUpVariable(kVariable).reading;
        SinkChoice choice = chooseSink(reading.value, rules);
        if (reading.ignoredValue) {
            choice.refusal = u"the launch trace is not written to " + *reading.ignoredValue + u": " + reading.ignored +
                             u"; set QX_LAUNCHER_TRACE=stderr for the console variant instead";
        }
        if (!choice.refusal.empty()) {
            std::u16string module;
            readModulePath(module);
            writeStandardError(messageLine(programNameOf(module), choice.refusal) + (kWindows ? u"\r\n" : u"\n"));
        }
        if (choice.kind == SinkKind::None || !openSink(choice)) return;
        startOffset = millisecondsSinceProcessStart();
        startReading = Clock::now();
        detail::enabled = true;
    } catch (...) {
        // Out of memory while reading the variable: the launch goes on untraced.
    }
}

void disable() noexcept {
    detail::enabled = false;
    closeSink();
}

void line(std::u16string_view text) noexcept {
    if (!detail::enabled) return;
    try {
        writeSink(formatLine(elapsedMilliseconds(), currentProcessId(), text));
    } catch (...) {
        // A line that cannot be formatted is lost; the launch is not.
    }
}

void say(std::initializer_list<std::u16string_view> parts) noexcept {
    if (!detail::enabled) return;
    try {
        std::u16string text;
        for (std::u16string_view part : parts) text.append(part);
        line(text);
    } catch (...) {
    }
}

} // namespace launcher::trace
