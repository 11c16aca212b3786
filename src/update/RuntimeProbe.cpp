#include "update/RuntimeProbe.h"

#include "base/PathText.h"
#include "base/Platform.h"
#include "base/Text.h"
#include "install/UnpackFiles.h"

namespace launcher {

ProbeResult probeRuntime(const std::u16string& folder, std::chrono::seconds limit, const std::atomic<bool>* cancel) {
    const std::u16string program = joinPath(joinPath(folder, u"bin"), kWindows ? u"java.exe" : u"java");
    if (!pathExists(program)) return {.starts = std::nullopt, .detail = u"no java program to ask", .cancelled = false};
    const std::optional<int> code = runProbe(program, u"-version", limit, cancel);
    if (!code) return {.starts = false, .detail = u"its java program could not be started", .cancelled = false};
    if (*code == kProbeCancelled) return {.starts = std::nullopt, .detail = u"cancelled", .cancelled = true};
    if (*code == kProbeTimedOut) {
        return {.starts = std::nullopt, .detail = u"\"java -version\" did not end in time", .cancelled = false,
                .timedOut = true};
    }
    if (*code != 0) {
        return {.starts = false, .detail = u"\"java -version\" ended with " + toDecimal(static_cast<long long>(*code)),
                .cancelled = false};
    }
    return {.starts = true, .detail = u"\"java -version\" ran", .cancelled = false};
}

} // namespace launcher
