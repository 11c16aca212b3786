#include "Signing.h"

#include "PackOptions.h"
#include "ToolProcess.h"

#include <cstdlib>

namespace launcher::pack {

// Where this machine's OpenSSL keeps its engines (Debian's
// libengine-pkcs11-openssl puts pkcs11.so there).
std::optional<fs::path> findPkcs11Engine(const fs::path&) {
    auto openssl = findTool("openssl");
    if (!openssl) return std::nullopt;
    auto folder = enginesFolderOf(runTool(*openssl, {"version", "-e"}).output);
    std::error_code error;
    if (!folder || !fs::is_regular_file(*folder / "pkcs11.so", error)) return std::nullopt;
    return *folder / "pkcs11.so";
}

void adaptEngineToTool(Signer& signer) {
    // The bare name "pkcs11" is looked up as libpkcs11.so, which Debian's
    // package installs beside pkcs11.so.
    std::error_code error;
    if (!fs::exists(signer.engine.parent_path() / "libpkcs11.so", error)) return;
    ToolRequest request;
    request.timeLimit = signer.timeLimit;
    auto version = osslsigncodeVersion(runTool(signer.tool, {"--version"}, request).output);
    if (!version || *version >= std::pair{2, 9}) return;
    const char* path = std::getenv("LD_LIBRARY_PATH");
    std::string folder = signer.engine.parent_path().string();
    signer.environment.emplace_back("LD_LIBRARY_PATH", path && *path ? folder + ":" + path : folder);
    signer.engine = "pkcs11";
}

// A program runs with its arguments as given: no shell reads them.
void checkCommandProgram(const fs::path&) {}

} // namespace launcher::pack
