#include "PackageBuild.h"

#include "InstallerBuild.h"
#include "PackageTables.h"
#include "WixSource.h"

namespace launcher::pack {

void buildPackage(const PackageTools& tools, const InstallerPackage& package, const fs::path& sourceFolder,
                  const fs::path& msi) {
    WixlForm form = wixlForm(package);
    WixlSource wixl = wixlSource(form.text);
    buildMsi(tools.wixl, wixl.text, sourceFolder, msi, package.platform);
    // The conditions last: importing a table again with its real text
    // would take back what was written into it before.
    writePackageTables({tools.msibuild, tools.msiinfo}, msi, package, wixl);
    completeMsi(tools.msibuild, form.queries, msi);
}

} // namespace launcher::pack
