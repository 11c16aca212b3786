#include "support/InstalledRuntimes.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <regex>

namespace launcher::test {

std::vector<std::pair<int, std::filesystem::path>> installedRuntimes(int minimumMajor) {
    std::vector<std::pair<int, std::filesystem::path>> found;
    std::error_code error;
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator("/usr/lib/jvm", error)) {
        if (entry.is_symlink() || !std::filesystem::exists(entry.path() / "lib/server/classes.jsa")) continue;
        std::smatch match;
        const std::string release = readBytes(entry.path() / "release");
        if (!std::regex_search(release, match, std::regex("JAVA_VERSION=\"(?:1\\.)?(\\d+)"))) continue;
        if (int major = std::stoi(match[1]); major >= minimumMajor) found.emplace_back(major, entry.path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::filesystem::path jdkWithJlink() {
    std::error_code error;
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator("/usr/lib/jvm", error)) {
        if (!entry.is_symlink() && std::filesystem::exists(entry.path() / "bin/jlink") &&
            std::filesystem::exists(entry.path() / "jmods/java.base.jmod")) {
            return entry.path();
        }
    }
    return {};
}

} // namespace launcher::test
