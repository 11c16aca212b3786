#include "LatestRuntime.h"

#include "base/Text.h"
#include "config/RuntimeDownload.h"
#include "install/Download.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cstdio>
#include <ostream>

namespace launcher::pack {

namespace {

using Json = nlohmann::json;

constexpr char kLatestOption[] = "--runtime-download-latest";
// The API answers with a few kilobytes; more is not the API.
constexpr uint64_t kMostAnswerBytes = 8 * 1024 * 1024;

bool forLinux(const LatestRuntimeRequest& request) { return request.os == "linux"; }

std::string offerName(const LatestRuntimeRequest& request, std::string_view architecture) {
    return (forLinux(request) ? "Linux " : "Windows ") + std::string(architecture) + " JRE";
}

// The archive the launcher unpacks on that system.
std::string archiveSuffix(const LatestRuntimeRequest& request) { return forLinux(request) ? ".tar.gz" : ".zip"; }

// A member of an object, or null when the value is no object or lacks it.
const Json* member(const Json& object, const char* name) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(name);
    return found == object.end() ? nullptr : &*found;
}

std::string textOf(const Json& object, const char* name) {
    const Json* value = member(object, name);
    return value && value->is_string() ? value->get<std::string>() : std::string();
}

// major, minor, security, patch and build, so that a newer release compares
// greater; what the entry does not say counts as 0.
std::array<uint64_t, 5> versionOf(const Json& entry) {
    std::array<uint64_t, 5> parts{};
    const Json* version = member(entry, "version");
    const char* names[] = {"major", "minor", "security", "patch", "build"};
    for (size_t i = 0; i < parts.size(); ++i) {
        const Json* part = version ? member(*version, names[i]) : nullptr;
        if (part && part->is_number_unsigned()) parts[i] = part->get<uint64_t>();
    }
    return parts;
}

bool fits(const Json& entry, const LatestRuntimeRequest& request, std::string_view architecture) {
    const Json* binary = member(entry, "binary");
    if (!binary || textOf(*binary, "os") != request.os || textOf(*binary, "architecture") != architecture ||
        textOf(*binary, "image_type") != "jre") {
        return false;
    }
    const std::string jvm = textOf(*binary, "jvm_impl");
    if (!jvm.empty() && jvm != "hotspot") return false;
    // An answer for another feature version is no answer to this request.
    const Json* version = member(entry, "version");
    const Json* major = version ? member(*version, "major") : nullptr;
    return !major || !major->is_number_unsigned() || std::to_string(major->get<uint64_t>()) == request.feature;
}

bool isSha256(const std::string& text) {
    if (text.size() != 64) return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

bool endsWith(const std::string& link, const std::string& suffix) {
    const size_t query = link.find_first_of("?#");
    const std::string path = link.substr(0, query);
    if (path.size() < suffix.size()) return false;
    std::string end = path.substr(path.size() - suffix.size());
    for (char& c : end) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return end == suffix;
}

// The version as the runtime's release file gives it, which is what the
// launcher compares with its bounds: "21.0.5", "17.0.4.1" for a patch
// release, and "1.8.0.432" for Java 8, which calls itself 1.8.0_432.
std::string releaseVersion(const Json& entry) {
    const Json* version = member(entry, "version");
    const Json* major = version ? member(*version, "major") : nullptr;
    if (!major || !major->is_number_unsigned()) return "";
    const std::array<uint64_t, 5> parts = versionOf(entry);
    if (parts[0] <= 8) return "1." + std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]);
    std::string text = std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]);
    return parts[3] == 0 ? text : text + "." + std::to_string(parts[3]);
}

AdoptiumRelease releaseOf(const Json& entry, const LatestRuntimeRequest& request) {
    AdoptiumRelease release;
    release.name = textOf(entry, "release_name");
    release.version = releaseVersion(entry);
    const std::string named = release.name.empty() ? "the release" : "the release " + release.name;
    const Json* package = member(*member(entry, "binary"), "package");
    if (!package) throw PackError(std::string(kLatestOption) + ": " + named + " has no binary.package");
    release.pin.url = textOf(*package, "link");
    if (!endsWith(release.pin.url, archiveSuffix(request))) {
        throw PackError(std::string(kLatestOption) + ": " + named + " has no " + archiveSuffix(request).substr(1) +
                        " archive as its package (link \"" + release.pin.url + "\")");
    }
    // The launcher's own rule for a runtime's address: an answer that
    // points elsewhere would only be refused by every start.
    if (!isRuntimeAddress(fromUtf8(release.pin.url))) {
        throw PackError(std::string(kLatestOption) + ": " + named + " has its package at \"" + release.pin.url +
                        "\", which is not an https address (plain http only to 127.0.0.1 or [::1])");
    }
    release.pin.sha256 = textOf(*package, "checksum");
    if (!isSha256(release.pin.sha256)) {
        throw PackError(std::string(kLatestOption) + ": " + named + " has the checksum \"" + release.pin.sha256 +
                        "\", which is not 64 hexadecimal digits");
    }
    const Json* size = member(*package, "size");
    if (!size || !size->is_number_unsigned() || size->get<uint64_t>() == 0) {
        throw PackError(std::string(kLatestOption) + ": " + named + " has no size in bytes");
    }
    release.pin.size = std::to_string(size->get<uint64_t>());
    return release;
}

} // namespace

std::optional<LatestRuntimeRequest> latestRuntimeRequest(const PackOptions& options) {
    if (!options.has(kLatestOption)) {
        if (options.has("--runtime-api-base")) throw UsageError("--runtime-api-base goes with --runtime-download-latest");
        return std::nullopt;
    }
    // One source of the pin: the API's answer, or the vendor's own values.
    for (const char* manual : {"--runtime-download", "--runtime-sha256", "--runtime-size"}) {
        if (options.has(manual)) throw UsageError(std::string(manual) + " does not go with --runtime-download-latest");
    }
    LatestRuntimeRequest request{*options.value(kLatestOption), options.value("--runtime-api-base").value_or(kAdoptiumApiBase)};
    const std::string& feature = request.feature;
    const bool digits = !feature.empty() && feature.size() <= 3 && feature.front() != '0' &&
                        feature.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || std::stoi(feature) < 8) {
        throw PackError(std::string(kLatestOption) + ": \"" + feature +
                        "\" is not a Java feature version (a whole number from 8, such as 21)");
    }
    while (request.apiBase.ends_with('/')) request.apiBase.pop_back();
    return request;
}

std::string adoptiumArchitecture(uint16_t machine) {
    switch (machine) {
    case 0x8664: return "x64";
    case 0x014C: return "x86";
    case 0xAA64: return "aarch64";
    default: break;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%04X", machine);
    throw PackError(std::string(kLatestOption) + ": the launcher is built for the machine " + hex +
                    ", for which no Windows runtime is published");
}

std::string adoptiumLatestAddress(const LatestRuntimeRequest& request, std::string_view architecture) {
    return request.apiBase + "/v3/assets/latest/" + request.feature + "/hotspot?os=" + request.os + "&architecture=" +
           std::string(architecture) + "&image_type=jre&vendor=eclipse";
}

AdoptiumRelease pickAdoptiumRelease(std::string_view answer, const LatestRuntimeRequest& request,
                                    std::string_view architecture) {
    const std::string address = adoptiumLatestAddress(request, architecture);
    Json list;
    try {
        list = Json::parse(answer);
    } catch (const Json::exception& e) {
        throw PackError(std::string(kLatestOption) + ": " + address + " answered with malformed JSON: " + e.what());
    }
    if (!list.is_array()) {
        throw PackError(std::string(kLatestOption) + ": " + address + " answered with something other than a list of releases");
    }
    const Json* newest = nullptr;
    for (const Json& entry : list) {
        if (fits(entry, request, architecture) && (!newest || versionOf(entry) > versionOf(*newest))) newest = &entry;
    }
    if (!newest) {
        throw PackError(std::string(kLatestOption) + ": the Adoptium API has no " + offerName(request, architecture) +
                        " of Java " + request.feature + " (" + address + " lists none)");
    }
    return releaseOf(*newest, request);
}

AdoptiumRelease fetchLatestRelease(const LatestRuntimeRequest& request, std::string_view architecture) {
    const std::string address = adoptiumLatestAddress(request, architecture);
    std::string answer;
    DownloadCallbacks callbacks;
    callbacks.write = [&answer](std::span<const uint8_t> bytes) {
        answer.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return true;
    };
    callbacks.limit = kMostAnswerBytes;
    const DownloadResult result = download(address, callbacks);
    if (!result) {
        // The API answers 404 for a feature version it has never released.
        const std::string reason = result.httpStatus == 404 ? " The Adoptium API knows no Java " + request.feature + "." : "";
        throw PackError(std::string(kLatestOption) + ": " + toUtf8(result.message) + reason);
    }
    return pickAdoptiumRelease(answer, request, architecture);
}

RuntimePin fetchLatestRuntimePin(const LatestRuntimeRequest& request, uint16_t machine, std::ostream& err) {
    const std::string architecture = adoptiumArchitecture(machine);
    AdoptiumRelease release = fetchLatestRelease(request, architecture);
    err << "launcher-pack: pinned " << (release.name.empty() ? "the runtime" : release.name) << " for Windows "
        << architecture << ": " << release.pin.url << " (" << *release.pin.size << " bytes)\n";
    return release.pin;
}

} // namespace launcher::pack
