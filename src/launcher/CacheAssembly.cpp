#include "launcher/CacheAssembly.h"

#include "base/Environment.h"
#include "base/ModulePath.h"
#include "base/Platform.h"
#include "base/VariableTable.h"
#include "jvm/RuntimeLibrary.h"
#include "launcher/VmThread.h"
#include "vmopts/ClassPath.h"

#include <algorithm>
#include <string>
#include <vector>

namespace launcher {

namespace {

// Marks the configuration as one the runtime could not assemble: later
// starts keep to the archive instead of recording it again and again.
void markFailed(CacheFiles& files, const AotFiles& aot) {
    const std::u16string temporary = temporaryNameOf(aot.failed, files.processId());
    if (files.createEmptyFile(temporary) && !files.renameFile(temporary, aot.failed)) files.removeFile(temporary);
}

int supervise(const AssemblyRequest& request) {
    assembly::lowerPriority();
    const assembly::Lock lock(request.files.lock);
    // Another assembly of this cache runs: it will do.
    if (!lock.held()) return 0;
    CacheFiles& files = platformCacheFiles();
    if (holdsWholeFile(files, request.files.cache, kAotCacheMagic)) {
        // Placed by a start that recorded beside the one whose assembly
        // this was, just after that assembly removed its configuration.
        files.removeFile(request.files.configuration);
        return 0;
    }
    if (!holdsWholeFile(files, request.files.configuration, kAotConfigurationMagic)) return 0;
    AssemblyRequest step = request;
    step.step = AssemblyRequest::Assemble;
    step.temporary = temporaryNameOf(request.files.cache, files.processId());
    int code = -1;
    const bool ran = assembly::startOwnExecutable(encodeAssemblyRequest(step), &code);
    if (ran && code == 0 && holdsWholeFile(files, step.temporary, kAotCacheMagic) &&
        files.renameFile(step.temporary, request.files.cache)) {
        // Only needed to assemble the cache again, which a stale cache
        // never is: it is recorded anew.
        files.removeFile(request.files.configuration);
        return 0;
    }
    files.removeFile(step.temporary);
    // A runtime that ended with an error of its own cannot assemble this
    // configuration; one that was killed or never started may another time.
    if (ran && code > 0) markFailed(files, request.files);
    return 1;
}

// The runtime assembles the cache and ends the process inside
// JNI_CreateJavaVM; it returns only when it could not.
int assemble(const AssemblyRequest& request) {
    const CreateJavaVmFunction create = loadCreateJavaVmQuietly(request.jvmPath);
    if (!create) return 2;
    std::vector<std::string> texts;
    for (const std::u16string& option : aotAssemblyOptions(request)) texts.push_back(toNarrow(option));
    std::vector<JavaVMOption> options;
    for (std::string& text : texts) options.push_back({text.data(), nullptr});
    JavaVMInitArgs args{};
    args.version = JNI_VERSION_1_2;
    args.nOptions = static_cast<jint>(options.size());
    args.options = options.data();
    args.ignoreUnrecognized = JNI_FALSE;
    auto body = [&] {
        JavaVM* vm = nullptr;
        void* env = nullptr;
        return create(&vm, &env, &args) == JNI_OK ? 3 : 4;
    };
    // A new thread, as for the application: the runtime's own stack size
    // applies to it, not the process's first thread's.
    int result = 0;
    if (!runOnNewThread(0, body, result)) result = body();
    return result;
}

} // namespace

bool keptForAssembly(std::u16string_view entry) {
    const std::u16string_view name = entry.substr(0, entry.find(u'=', 1));
    auto same = [&](std::u16string_view other) { return kWindows ? equalsIgnoreCase(name, other) : name == other; };
    const std::vector<std::u16string_view> options = runtimeOptionVariables();
    return !same(kAssemblyVariable) && std::none_of(options.begin(), options.end(), same);
}

bool startCacheAssembly(const AssemblyRequest& request) {
    return assembly::startOwnExecutable(encodeAssemblyRequest(request), nullptr);
}

std::optional<int> runCacheAssemblyIfAsked() {
    const VariableReading text = readVariable(kAssemblyVariable);
    if (!text.present) return std::nullopt;
    // Never handed on: not to the runtime, and not to any program started
    // from an application start.
    unsetEnvironmentVariable(kAssemblyVariable);
    // The runtime reads options from these before any of the request's.
    for (std::u16string_view name : runtimeOptionVariables()) unsetEnvironmentVariable(name);
    // From here on this process is an assembly and nothing else: a request
    // it refuses ends it, and never starts the application hidden.
    // An elevated process's environment is the unelevated user's to write.
    if (text.refusesStart || !text.value) return kAssemblyRefused;
    const std::optional<AssemblyRequest> request = decodeAssemblyRequest(*text.value);
    if (!request) return kAssemblyUndecodable;
    const std::u16string base = platformCacheFiles().userCacheFolder();
    TextList folders{base};
    if (std::u16string shortForm = shortFormOf(base); shortForm != base) folders.push_back(std::move(shortForm));
    std::u16string module;
    if (base.empty() || readModulePath(module) != 0 ||
        !assemblyFilesInCache(*request, folders, executableNameOf(module))) {
        return kAssemblyOutsideCache;
    }
    return request->step == AssemblyRequest::Supervise ? supervise(*request) : assemble(*request);
}

} // namespace launcher
