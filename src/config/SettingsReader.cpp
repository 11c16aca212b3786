#include "config/SettingsReader.h"
#include "base/FileFinder.h"
#include "base/Format.h"
#include "base/Messages.h"
#include "base/PathText.h"
#include "config/AppUserModelId.h"
#include "config/ConfigPaths.h"
#include "config/EmbeddedSettings.h"
#include "config/LayeredIniFile.h"
#include "config/SettingTrace.h"
#include "base/Trace.h"

#include <iterator>

namespace launcher {

bool isYes(std::u16string_view value) {
    return equalsIgnoreCase(value, u"Yes");
}

VersionNumber minimumVersionFrom(std::u16string_view value) {
    if (value == u"any") return makeVersion(0, 0, 0, 0);
    return parseVersion(value, kVersionFillLow).version;
}

VersionNumber maximumVersionFrom(std::u16string_view value) {
    constexpr int32_t top = kVersionFillHigh;
    if (value == u"any") return makeVersion(top, top, top, top);
    ParsedVersion parsed = parseVersion(value, top);
    // Read literally, a maximum that failed to parse would be 0.0.0.0 and
    // admit no runtime at all; nobody writes a bound meaning that.
    if (!parsed.ok) return makeVersion(top, top, top, top, 0);
    return parsed.version;
}

JvmTypeCode jvmTypeFrom(std::u16string_view value) {
    if (value == u"server") return JvmTypeCode::Server;
    if (value == u"favor_server") return JvmTypeCode::FavorServer;
    return JvmTypeCode::Any;
}

void applyJvmSource(std::u16string_view value, RuntimeCriteria& criteria) {
    if (!value.empty()) criteria.favourKinds = value == u"favor_JRE" || value == u"favor_JDK";
    criteria.jdkKind = value == u"favor_JDK" || value == u"only_JDK" || value.empty();
    criteria.jreKind = value == u"favor_JRE" || value == u"only_JRE" || value.empty();
}

VendorFlags vendorFlagsFrom(std::u16string_view value, const VendorFlags& current) {
    struct Row {
        std::u16string_view name;
        VendorFlags flags;
    };
    // jrockit searched/preferred, sun searched/preferred, ibm searched/preferred
    static const Row kRows[] = {
        {u"", {false, false, true, true, false, false}},
        {u"jrockit", {true, true, false, false, false, false}},
        {u"ibm", {false, false, false, false, true, true}},
        {u"favor_sun", {true, false, true, true, true, false}},
        {u"favor_jrockit", {true, true, true, false, true, false}},
        {u"favor_ibm", {true, false, true, false, true, true}},
        {u"any", {true, false, true, false, true, false}},
    };
    if (value.empty()) return current;
    for (const Row& row : kRows) {
        if (equalsIgnoreCase(row.name, value)) return row.flags;
    }
    return current;
}

std::u16string besideLauncher(std::u16string_view value, std::u16string_view modulePath) {
    if (value.empty() || isAbsolutePath(value)) return std::u16string(value);
    std::u16string path = folderOf(modulePath);
    path.push_back(kPathSeparator);
    path.append(value);
    return path;
}

std::u16string mainClassFrom(std::u16string_view value) {
    std::u16string name(value);
    replaceAll(name, u'.', u'/');
    return name;
}

namespace {

// "JRE Path" comes from the per-user INI alone when that file exists (the
// user's own choice wins), except for a service, which has no user.
std::u16string readJrePath(LayeredIniFile& layered, std::u16string_view modulePath, const LaunchSettings& settings,
                           bool readUserIni) {
    if (settings.serviceMode && trace::on()) trace::line(u"a service: the per-user INI file is not read");
    if (!settings.serviceMode && !readUserIni && trace::on()) {
        trace::line(u"an elevated start: the per-user INI file is not read (the user's unelevated programs can write it)");
    }
    if (!settings.serviceMode && readUserIni) {
        std::u16string userIni = buildUserIniPath(modulePath, settings.productName, settings.productCode, false);
        FileFinder finder;
        // A file that cannot be read holds no choice and hides nothing.
        if (iniPathFits(userIni) && finder.findFirst(userIni)) {
            if (trace::on()) trace::say({u"per-user INI file found, its \"JRE Path\" alone counts: ", userIni});
            return IniFile(userIni).read(kJreSection, kJrePathKey);
        }
        if (trace::on()) trace::say({u"per-user INI file not found: ", userIni.empty() ? u"(no path)" : userIni});
    }
    return layered.read(kJreSection, kJrePathKey);
}

// Whether the embedded configuration is there, and how big: never its text,
// which its vendor enciphered; the settings read from it are traced one by one.
void traceEmbedded(const IniSectionMap& embedded) {
    if (!trace::on()) return;
    if (embedded.sections().empty()) {
        trace::line(u"embedded configuration: none");
        return;
    }
    size_t entries = 0;
    for (const IniSectionMap::Section& section : embedded.sections()) entries += section.entries.size();
    trace::say({u"embedded configuration: found, ", toDecimal(static_cast<long long>(embedded.sections().size())),
                u" sections with ", toDecimal(static_cast<long long>(entries)), u" entries"});
}

// The pinned runtime comes from the vendor's INI and the embedded
// configuration only, never from the per-user INI: the user's own files
// could otherwise name any download, and a checksum the user chose would
// make any folder of theirs the runtime an elevated or later start trusts.
bool readRuntimeDownload(LayeredIniFile& layered, WindowHandle owner, LaunchSettings& settings) {
    RuntimeDownloadKeys keys{layered.read(kJreSection, kRuntimeDownloadUrlKey),
                             layered.read(kJreSection, kRuntimeDownloadSha256Key),
                             layered.read(kJreSection, kRuntimeDownloadSizeKey),
                             layered.read(kJreSection, kRuntimeDownloadModeKey)};
    RuntimeDownloadCheck check = checkRuntimeDownload(keys, settings.productName);
    static constexpr MessageId kMessages[] = {MessageId::RuntimeUrlNotHttp, MessageId::RuntimeUrlClearText,
                                              MessageId::RuntimeChecksumMissing, MessageId::RuntimeChecksumInvalid,
                                              MessageId::RuntimeSizeInvalid, MessageId::RuntimeNoProductFolder};
    static_assert(std::size(kMessages) == static_cast<size_t>(RuntimeDownloadError::NoProductFolder),
                  "one message for each error, in the errors' order");
    if (check.error != RuntimeDownloadError::None) {
        MessageId id = kMessages[static_cast<size_t>(check.error) - 1];
        std::u16string text = formatMessage(loadMessage(id), {check.value});
        if (trace::on()) trace::say({u"the runtime download settings cannot be used: ", text});
        showError(owner, text);
        return false;
    }
    if (trace::on() && keys.url.empty() && !(keys.sha256.empty() && keys.size.empty() && keys.mode.empty())) {
        trace::line(u"no \"Runtime Download URL\": the other runtime download settings are ignored");
    }
    if (trace::on() && check.download.configured() && !keys.mode.empty() && !check.download.automatic &&
        !equalsIgnoreCase(keys.mode, u"Ask")) {
        trace::say({u"\"Runtime Download\" = \"", keys.mode, u"\" is neither \"Automatic\" nor \"Ask\": the user is asked"});
    }
    settings.runtimeDownload = std::move(check.download);
    return true;
}

// The feed, like the pin, is the vendor's alone. Settings it cannot use
// leave the start as it is without a feed: a newer runtime is a gift, and
// the pinned one still runs the program.
void readRuntimeFeed(LayeredIniFile& layered, LaunchSettings& settings) {
    const RuntimeFeedKeys keys{layered.read(kJreSection, kRuntimeFeedUrlKey), layered.read(kJreSection, kRuntimeFeedKeyKey),
                               layered.read(kJreSection, kRuntimeFeedIntervalKey)};
    RuntimeFeedCheck check = checkRuntimeFeed(keys, settings.runtimeDownload.configured());
    if (check.error != RuntimeFeedError::None) {
        if (trace::on()) trace::say({u"runtime feed: not followed: ", runtimeFeedErrorText(check)});
        return;
    }
    settings.runtimeFeed = std::move(check.feed);
}

} // namespace

bool readLaunchSettings(std::u16string_view iniPath, std::u16string_view modulePath, WindowHandle owner,
                        LaunchSettings& settings, bool readUserIni) {
    // Unreadable, the file would look empty and the user would be told that
    // no main class is configured; the path's length is the real reason.
    if (!iniPathFits(iniPath)) {
        if (trace::on()) trace::line(u"the INI file's path is too long for the system's INI functions");
        showError(owner, formatMessage(loadMessage(MessageId::IniPathTooLong),
                                       {static_cast<long long>(maxIniPathLength()), iniPath}));
        return false;
    }
    // Product information first: the per-user INI path and the embedded
    // configuration depend on it.
    IniFile plain{std::u16string(iniPath)};
    settings.productCode = plain.read(kProductSection, u"Product Code");
    settings.upgradeCode = plain.read(kProductSection, u"Upgrade Code");
    settings.productName = plain.read(kProductSection, u"Product Name");

    LayeredIniFile layered{std::u16string(iniPath)};
    layered.overlay().loadFromText(readEmbeddedSettingsText(settings.upgradeCode));
    traceEmbedded(layered.overlay());

    settings.runtime.minimumVersion = minimumVersionFrom(layered.read(kJreSection, u"Minimum Version"));
    settings.runtime.maximumVersion = maximumVersionFrom(layered.read(kJreSection, u"Maximum Version"));
    settings.serviceMode = layered.read(kApplicationSection, u"Application Type") == u"service";
    settings.runtime.preferredVersions = splitString(layered.read(kJreSection, u"Preferred versions"), u";");
    settings.jrePath = besideLauncher(readJrePath(layered, modulePath, settings, readUserIni), modulePath);
    settings.runtime.jvmType = jvmTypeFrom(layered.read(kJreSection, u"JVM Type"));
    applyJvmSource(layered.read(kJreSection, u"JVM Source"), settings.runtime);
    settings.runtime.vendors = vendorFlagsFrom(layered.read(kJreSection, u"VM Provider"), settings.runtime.vendors);

    std::u16string mainClass = layered.read(kJreSection, u"Main Class");
    if (mainClass.empty()) {
        if (trace::on()) trace::line(u"no \"Main Class\" in any source");
        showError(owner, MessageId::MainClassMissing);
        return false;
    }
    settings.mainClass = mainClassFrom(mainClass);

    settings.failureCheck = isYes(layered.read(kApplicationSection, u"Failure Check"));
    settings.overrideWorkingDirectory = isYes(layered.read(kApplicationSection, u"Override WorkingDir"));
    settings.systemPath = layered.read(kJreSection, u"System Path");
    settings.libraryPath = layered.read(kJreSection, u"Library Path");
    // A bare name would otherwise be looked for in the current directory,
    // which may be a download folder holding a planted program.
    settings.pairProduct = besideLauncher(layered.read(kApplicationSection, u"Pair Product"), modulePath);
    settings.waitForPair = isYes(layered.read(kApplicationSection, u"Pair Return Code"));
    settings.arm64Product = layered.read(kApplicationSection, u"ARM64 Product");
    settings.x64Product = layered.read(kApplicationSection, u"X64 Product");
    settings.singleInstance = layered.read(kApplicationSection, u"Single Instance") == u"yes";
    settings.startupCache = isYes(layered.read(kApplicationSection, u"Startup Cache"));
    // Refused, not cut or passed on: the system would take some bad values
    // and the taskbar would then group the windows under another identity.
    settings.appUserModelId = layered.read(kApplicationSection, kAppUserModelIdKey);
    if (!settings.appUserModelId.empty() && !isAppUserModelId(settings.appUserModelId)) {
        if (trace::on()) trace::say({u"\"App User Model ID\" cannot be used: \"", settings.appUserModelId, u"\""});
        showFormattedError(owner, MessageId::AppUserModelIdInvalid, settings.appUserModelId);
        return false;
    }
    if (!readRuntimeDownload(layered, owner, settings)) return false;
    readRuntimeFeed(layered, settings);
    return true;
}

} // namespace launcher
