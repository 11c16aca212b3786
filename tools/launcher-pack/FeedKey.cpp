#include "FeedKey.h"

#include "InstallerBuild.h"
#include "PackOptions.h"
#include "ToolProcess.h"

#include <algorithm>
#include <ostream>

namespace launcher::pack {

namespace {

// A key operation takes well under a second; a tool that hangs (waiting
// for a pass phrase it will never get, say) is stopped.
constexpr std::chrono::seconds kOpensslTimeLimit{120};

// SubjectPublicKeyInfo of an EC key on the named curve P-256
// (id-ecPublicKey, prime256v1), up to the uncompressed point's 65 bytes.
constexpr uint8_t kP256PublicKeyPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2A, 0x86, 0x48, 0xCE, 0x3D,
                                            0x02, 0x01, 0x06, 0x08, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01,
                                            0x07, 0x03, 0x42, 0x00, 0x04};
constexpr size_t kP256PublicKeySize = sizeof kP256PublicKeyPrefix + 64;

fs::path openssl() {
    std::optional<fs::path> tool = findTool("openssl");
    if (!tool) throw PackError("the runtime feed's keys and signatures need the openssl command-line tool on PATH");
    return *tool;
}

ToolRun runOpenssl(const std::vector<std::string>& arguments) {
    ToolRequest request;
    request.timeLimit = kOpensslTimeLimit;
    return runTool(openssl(), arguments, request);
}

void requireSuccess(const ToolRun& run, const std::string& what) {
    if (run.timedOut) throw PackError(what + ": openssl did not end within " + std::to_string(kOpensslTimeLimit.count()) + " seconds");
    if (run.exitCode != 0) throw PackError(what + ": " + toolFailure("openssl", run));
}

std::string path(const fs::path& file) { return displayPath(fs::absolute(file)); }

void refuseExisting(const fs::path& file) {
    std::error_code error;
    if (fs::exists(fs::symlink_status(file, error))) {
        throw PackError(displayPath(file) + " exists; a feed key is never replaced, since launchers that follow the "
                        "feed trust only the key they were packaged with");
    }
}

} // namespace

void runFeedKeyCommand(const std::vector<std::string>& arguments, std::ostream& out) {
    PackOptions options(arguments, feedKeyOptionTable());
    std::optional<std::string> name = options.value("--out");
    if (!name) throw UsageError("--out NAME is required");
    if (name->ends_with(".pem") || name->empty() || name->ends_with("/") || name->ends_with("\\")) {
        throw UsageError("--out: give the name without .pem; NAME.pem and NAME.pub.pem are written");
    }
    const fs::path privateKey = fs::absolute(pathFromUtf8(*name + ".pem"));
    const fs::path publicKey = fs::absolute(pathFromUtf8(*name + ".pub.pem"));
    std::error_code error;
    if (!fs::is_directory(privateKey.parent_path(), error)) {
        throw PackError(displayPath(privateKey.parent_path()) + " is not a folder");
    }
    refuseExisting(privateKey);
    refuseExisting(publicKey);
    // Made under hidden names and moved into place once both are complete.
    ScratchFile privateScratch(scratchNameFor(privateKey)), publicScratch(scratchNameFor(publicKey));
    requireSuccess(runOpenssl({"genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256", "-pkeyopt",
                               "ec_param_enc:named_curve", "-out", path(privateScratch.path())}),
                   "cannot make the key pair");
    requireSuccess(runOpenssl({"pkey", "-in", path(privateScratch.path()), "-pubout", "-out", path(publicScratch.path())}),
                   "cannot write the public key");
    refuseExisting(privateKey);
    refuseExisting(publicKey);
    privateScratch.moveTo(privateKey);
    try {
        publicScratch.moveTo(publicKey);
    } catch (const PackError&) {
        fs::remove(privateKey, error);
        throw;
    }
    out << "launcher-pack: wrote " << displayPath(privateKey) << " (the private key that signs the feed; it never leaves you)\n"
        << "launcher-pack: wrote " << displayPath(publicKey) << " (the public key the launcher checks the feed with)\n";
}

void writeFeedPublicKey(const fs::path& privateKey, const fs::path& publicKey) {
    requireSuccess(runOpenssl({"pkey", "-in", path(privateKey), "-pubout", "-outform", "DER", "-out", path(publicKey)}),
                   "--key: " + displayPath(privateKey) + " is not a private key openssl can read");
    const std::string der = readWholeFile(publicKey);
    const bool p256 = der.size() == kP256PublicKeySize &&
                      std::equal(std::begin(kP256PublicKeyPrefix), std::end(kP256PublicKeyPrefix), der.begin(),
                                 [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); });
    if (!p256) {
        throw PackError("--key: " + displayPath(privateKey) + " is not an ECDSA P-256 key (make one with launcher-pack feed-key)");
    }
}

void signFeed(const fs::path& privateKey, const fs::path& file, const fs::path& signature) {
    requireSuccess(runOpenssl({"dgst", "-sha256", "-sign", path(privateKey), "-out", path(signature), path(file)}),
                   "cannot sign " + displayPath(file));
}

bool feedSignatureVerifies(const fs::path& publicKey, const fs::path& file, const fs::path& signature, std::string& why) {
    ToolRun run = runOpenssl({"dgst", "-sha256", "-verify", path(publicKey), "-keyform", "DER", "-signature",
                              path(signature), path(file)});
    if (run.exitCode == 0 && !run.timedOut) return true;
    why = run.timedOut ? "openssl did not end in time" : outputLines(run.output);
    return false;
}

} // namespace launcher::pack
