#pragma once
// The installer part of a packaging run: its options checked before anything
// is written, the package built from the staged folder before that folder is
// moved into place, and the results put in place last.

#include "Branding.h"
#include "InstallerBuild.h"
#include "InstallerPackage.h"
#include "PackageBuild.h"
#include "PackOptions.h"
#include "Signing.h"

#include <memory>
#include <optional>
#include <ostream>

namespace launcher::pack {

struct InstallerRequest {
    InstallerPackage package; // files still empty
    std::optional<fs::path> msi;
    std::optional<fs::path> wxs;
    PackageTools tools; // wixl and msitools, found when a package is built
    std::optional<Signer> signer; // set by the caller
};

// Throws UsageError for a wrong command line, PackError for a missing tool
// or file. nullopt when neither --msi nor --wxs is given.
std::optional<InstallerRequest> installerRequest(const PackOptions& options, const Branding& branding,
                                                 std::ostream& warnings);

// The package and its source, complete in scratch files beside --msi and
// --wxs, to be moved into place once dest is.
struct PreparedInstaller {
    std::unique_ptr<ScratchFile> msi;
    std::unique_ptr<ScratchFile> wxs;
};

// Builds (and signs) the package from this run's files in staging and those
// that other runs recorded in dest, and writes the source.
PreparedInstaller buildInstaller(InstallerRequest& request, const fs::path& staging, const fs::path& dest);

// After dest is in place: moves the package and the source to their names.
void finishInstaller(const InstallerRequest& request, PreparedInstaller prepared);

} // namespace launcher::pack
