#include "Signing.h"

#include "ToolProcess.h"

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

} // namespace launcher::pack
