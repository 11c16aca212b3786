#include "Signing.h"

#include "PackOptions.h"

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

// CreateProcess starts a batch file through "cmd.exe /c" with the command
// line as it stands, and cmd.exe reads it once more by its own rules:
// "&", "|", "<", ">" and "^" outside its quotation marks and "%NAME%"
// anywhere, where no quoting of the command line's own rules helps, so a
// path such as "Tom & Jerry" would run "Jerry". Refused rather than
// quoted for cmd.exe: inside quotation marks "%" has no escape, only tricks
// that lean on how cmd.exe expands variables, and a vendor's path and
// arguments are worth more than a trick.
void checkCommandProgram(const fs::path& program) {
    if (!runsThroughCmd(program)) return;
    throw UsageError("--sign-command: " + displayPath(program.filename()) +
                     " runs through cmd.exe, which reads & | < > ^ and % in the file's path and the arguments once more: "
                     "give a program (.exe), such as powershell.exe -NoProfile -File sign.ps1 {}");
}

} // namespace launcher::pack
