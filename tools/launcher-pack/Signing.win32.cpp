#include "Signing.h"

namespace launcher::pack {

// Windows builds of osslsigncode ship their engines beside the program.
std::optional<fs::path> findPkcs11Engine(const fs::path& osslsigncode) {
    fs::path engine = osslsigncode.parent_path() / "pkcs11.dll";
    std::error_code error;
    if (!fs::is_regular_file(engine, error)) return std::nullopt;
    return engine;
}

// Windows builds of osslsigncode are taken as they come: no older one was
// at hand to check how it names the engine.
void adaptEngineToTool(Signer&) {}

} // namespace launcher::pack
