#include "launcher/Launcher.h"
#include "base/Trace.h"
#include "jre/JreLocator.h"
#include "jvm/VmHooks.h"
#include "launcher/CacheAssembly.h"
#include "launcher/LaunchTrace.h"
#include "vmopts/StartupCache.h"

#include <algorithm>

// The start-up cache's share of the launch: its options before the VM is
// created, a second creation without them when the runtime refuses them,
// and, once the Java program has ended, the recorded configuration put in
// place and the cache's assembly started.

namespace launcher {

TextList Launcher::startupCacheOptions(std::u16string_view classPath, const TextList& parameters) {
    CacheRequest request;
    request.productName = settings_.productName;
    request.productCode = settings_.productCode;
    getModulePath(request.executablePath);
    request.jvmPath = jvmPath_;
    request.featureRelease = runtimeFeatureRelease();
    request.classPath.assign(classPath);
    request.applicationOptions = parameters;
    CacheDecision decision = decideStartupCache(request, platformCacheFiles());
    if (trace::on()) {
        if (!decision.reason.empty()) trace::say({u"startup cache: ", decision.reason});
        if (decision.plan == CachePlan::Off) trace::line(u"startup cache: not used");
        else if (decision.plan == CachePlan::AotUse) trace::say({u"startup cache: ahead-of-time cache ", decision.archive});
        else if (decision.plan == CachePlan::AotRecord) trace::say({u"startup cache: recording ", decision.archive});
        else if (decision.plan == CachePlan::AotAssemble) trace::say({u"startup cache: to be assembled from ", decision.archive});
        else trace::say({u"startup cache: archive ", decision.archive});
    }
    if (decision.plan == CachePlan::AotRecord) jvm_.filterCacheNotices();
    if (decision.plan == CachePlan::AotRecord || decision.plan == CachePlan::AotAssemble) {
        cacheClassPath_.assign(classPath);
        cacheAssemblyOptions_ = assemblyRelevantOptions(parameters);
        setVmEndWork([](void* self) { static_cast<Launcher*>(self)->finishStartupCache(); }, this);
    }
    cacheDecision_ = decision;
    cacheOptions_ = launcher::startupCacheOptions(decision, request.featureRelease);
    return cacheOptions_;
}

bool Launcher::createVmWithoutCache(const std::function<RedirectFiles()>& redirectFiles, bool reportFailure) {
    if (trace::on()) trace::line(u"startup cache: the runtime refused the cache's options; created again without them");
    std::vector<std::string> options = options_.entries();
    for (const std::u16string& option : cacheOptions_) {
        auto at = std::find(options.begin(), options.end(), toNarrow(option));
        if (at != options.end()) options.erase(at);
    }
    // Nothing was recorded, and nothing is to be assembled.
    setVmEndWork(nullptr, nullptr);
    cacheOptions_.clear();
    traceVmOptions(options);
    return jvm_.createVm(options, redirectFiles, messageOwner_, reportFailure);
}

void Launcher::finishStartupCache() {
    CacheFiles& files = platformCacheFiles();
    const AotFiles aot = aotFilesOf(cacheDecision_.aotStem);
    if (cacheDecision_.plan == CachePlan::AotRecord && !placeRecordedConfiguration(files, cacheDecision_.recording, aot)) {
        if (trace::on()) trace::line(u"startup cache: nothing to assemble (no whole configuration, or the cache is already there)");
        return;
    }
    AssemblyRequest request;
    request.jvmPath = jvmPath_;
    request.classPath = cacheClassPath_;
    request.options = cacheAssemblyOptions_;
    request.files = aot;
    const bool started = startCacheAssembly(request);
    if (trace::on()) {
        trace::line(started ? u"startup cache: assembly started" : u"startup cache: the assembly cannot be started");
    }
}

int32_t Launcher::runtimeFeatureRelease() const {
    if (jvmVersion_.groupCount > 0) return featureRelease(jvmVersion_);
    ParsedVersion release = parseVersion(releaseVersion(runtimeHomeOfLibrary(jvmPath_)), kVersionFillLow);
    return release.ok ? featureRelease(release.version) : 0;
}

} // namespace launcher
