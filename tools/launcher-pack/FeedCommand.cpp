#include "FeedCommand.h"

#include "FeedFile.h"
#include "FeedKey.h"
#include "FileIo.h"
#include "LatestRuntime.h"
#include "PackOptions.h"

#include "base/Text.h"

#include <optional>
#include <ostream>

namespace launcher::pack {

namespace {

const char kFeedUsage[] =
    "usage: launcher-pack feed-key --out NAME\n"
    "       launcher-pack feed --key NAME.pem --out DIR --platform windows-x64|windows-x86|linux-x64\n"
    "                     (--runtime-download URL --runtime-sha256 HEX --runtime-size BYTES --version V |\n"
    "                      --runtime-download-latest FEATURE [--runtime-api-base URL])\n"
    "                     [--product-code TEXT]\n";

// A feed at this sequence cannot grow within the 19 digits it is read with.
constexpr uint64_t kLastSequence = 9'999'999'999'999'999'999ULL;

struct FeedRequest {
    fs::path key;
    fs::path folder;
    std::string platform;
    std::optional<std::string> productCode;
    std::optional<FeedEntry> entry;            // given by hand
    std::optional<LatestRuntimeRequest> latest; // or asked of the API
};

std::string required(const PackOptions& options, const char* option, const char* what) {
    std::optional<std::string> value = options.value(option);
    if (!value) throw UsageError(std::string(option) + " " + what + " is required");
    return *value;
}

// The platform's system and architecture as the Adoptium API names them.
void aimAt(LatestRuntimeRequest& latest, const std::string& platform) {
    latest.os = platform.starts_with("linux-") ? "linux" : "windows";
}

std::string apiArchitecture(const std::string& platform) { return platform.substr(platform.find('-') + 1); }

FeedRequest feedRequest(const PackOptions& options) {
    FeedRequest request;
    request.key = pathFromUtf8(required(options, "--key", "NAME.pem"));
    request.folder = fs::absolute(pathFromUtf8(required(options, "--out", "DIR")));
    request.platform = required(options, "--platform", "P");
    if (!isFeedPlatform(request.platform)) {
        throw UsageError("--platform: \"" + request.platform + "\" is not windows-x64, windows-x86 or linux-x64");
    }
    request.latest = latestRuntimeRequest(options);
    if (request.latest) {
        if (options.has("--version")) throw UsageError("--version does not go with --runtime-download-latest");
        aimAt(*request.latest, request.platform);
    } else {
        for (const char* option : {"--runtime-download", "--runtime-sha256", "--runtime-size", "--version"}) {
            if (!options.has(option)) {
                throw UsageError(std::string(option) + " is required: the runtime is given by --runtime-download URL, "
                                 "--runtime-sha256 HEX, --runtime-size BYTES and --version V, or by "
                                 "--runtime-download-latest FEATURE");
            }
        }
        request.entry = checkedFeedEntry({*options.value("--runtime-download"), *options.value("--runtime-sha256"),
                                          *options.value("--runtime-size"), *options.value("--version")},
                                         {"--runtime-download", "--runtime-sha256", "--runtime-size", "--version"});
    }
    request.productCode = options.value("--product-code");
    if (request.productCode && (request.productCode->empty() || toUtf8(fromUtf8(*request.productCode)) != *request.productCode)) {
        throw PackError("--product-code: not UTF-8 text, or empty (leave the option out for a feed that fits any product)");
    }
    return request;
}

// The feed that is in the folder, its signature checked with the key's
// public half; an empty feed when the folder holds none.
Feed publishedFeed(const fs::path& folder, const fs::path& publicKey) {
    const fs::path file = folder / kFeedFileName, signature = folder / kFeedSignatureFileName;
    std::error_code error;
    const bool hasFile = fs::exists(file, error), hasSignature = fs::exists(signature, error);
    if (!hasFile && !hasSignature) return Feed{};
    if (!hasFile) throw PackError(displayPath(signature) + " is there without " + kFeedFileName);
    if (!hasSignature) throw PackError(displayPath(file) + " has no signature " + kFeedSignatureFileName);
    std::string why;
    if (!feedSignatureVerifies(publicKey, file, signature, why)) {
        throw PackError(displayPath(file) + ": its signature does not verify with --key's public half (" + why +
                        "): the feed was changed after it was signed, or another key signed it");
    }
    return parseFeed(readWholeFile(file), displayPath(file));
}

FeedEntry latestEntry(const FeedRequest& request, std::string& name) {
    AdoptiumRelease release = fetchLatestRelease(*request.latest, apiArchitecture(request.platform));
    name = release.name;
    const std::string from = "--runtime-download-latest: " + (name.empty() ? "the release" : "the release " + name) + "'s ";
    return checkedFeedEntry({release.pin.url, release.pin.sha256, release.pin.size.value_or(""), release.version},
                            {from + "link", from + "checksum", from + "size", from + "version"});
}

void applyProductCode(Feed& feed, const FeedRequest& request, const fs::path& file) {
    if (!request.productCode) return;
    if (!feed.productCode.empty() && feed.productCode != *request.productCode) {
        throw PackError("--product-code: " + displayPath(file) + " is the feed of the product code \"" + feed.productCode +
                        "\"; its other platforms' entries are for that product");
    }
    feed.productCode = *request.productCode;
}

void report(std::ostream& out, const Feed& feed, const FeedRequest& request, const std::string& releaseName) {
    out << "launcher-pack: wrote " << displayPath(request.folder / kFeedFileName) << " (Sequence " << feed.sequence;
    if (!feed.productCode.empty()) out << ", product code \"" << feed.productCode << "\"";
    out << ") and its signature " << kFeedSignatureFileName << "\n";
    for (const auto& [platform, entry] : feed.entries) {
        const bool written = platform == request.platform;
        out << "  " << platform << ": " << entry.version << " " << entry.url << " (" << entry.size << " bytes)";
        if (written && !releaseName.empty()) out << ", " << releaseName;
        out << (written ? "\n" : ", kept\n");
    }
}

void writeFeed(const std::vector<std::string>& arguments, std::ostream& out) {
    const FeedRequest request = feedRequest(PackOptions(arguments, feedOptionTable()));
    std::error_code error;
    if (fs::exists(request.folder, error) && !fs::is_directory(request.folder, error)) {
        throw PackError(displayPath(request.folder) + " is a file, not a folder");
    }
    // Everything is made beside the folder and moved in when complete, so a
    // refused run leaves the folder as it was.
    StagedFolder staged(request.folder);
    const fs::path publicKey = staged.path() / "feed-key.der";
    writeFeedPublicKey(request.key, publicKey);
    Feed feed = publishedFeed(request.folder, publicKey);
    if (feed.sequence >= kLastSequence) throw PackError(displayPath(request.folder / kFeedFileName) + ": \"Sequence\" cannot grow any further");
    ++feed.sequence;
    applyProductCode(feed, request, request.folder / kFeedFileName);
    std::string releaseName;
    feed.entries[request.platform] = request.entry ? *request.entry : latestEntry(request, releaseName);

    staged.writeFile(kFeedFileName, feedText(feed));
    const fs::path file = staged.path() / kFeedFileName, signature = staged.path() / kFeedSignatureFileName;
    signFeed(request.key, file, signature);
    // What launchers will check, checked once here.
    std::string why;
    if (!feedSignatureVerifies(publicKey, file, signature, why)) throw PackError("the new signature does not verify: " + why);
    fs::remove(publicKey, error);
    staged.commit();
    report(out, feed, request, releaseName);
}

} // namespace

bool isFeedSubcommand(const std::vector<std::string>& arguments) {
    return !arguments.empty() && (arguments[0] == "feed" || arguments[0] == "feed-key");
}

int runFeedSubcommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (rest.size() == 1 && (rest[0] == "--help" || rest[0] == "-h")) {
        out << kFeedUsage;
        return 0;
    }
    try {
        if (arguments[0] == "feed-key") runFeedKeyCommand(rest, out);
        else writeFeed(rest, out);
        return 0;
    } catch (const UsageError& e) {
        err << "launcher-pack " << arguments[0] << ": " << e.what() << "\n" << kFeedUsage;
        return 2;
    } catch (const std::exception& e) {
        err << "launcher-pack " << arguments[0] << ": " << e.what() << "\n";
        return 1;
    }
}

} // namespace launcher::pack
