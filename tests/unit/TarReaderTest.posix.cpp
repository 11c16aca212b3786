#include "support/ArchiveBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace launcher {
namespace {

namespace fs = std::filesystem;

// What GNU tar writes in its own format, with the times its incremental
// mode keeps in every header and a name too long for one.
TEST(TarReaderGnu, ReadsWhatGnuTarWrites) {
    test::TempFolder temp;
    const std::string deep = "legal/" + std::string(60, 'a') + "/" + std::string(60, 'b');
    fs::create_directories(temp.path() / "jdk" / deep);
    fs::create_directories(temp.path() / "jdk" / "bin");
    test::writeBytes(temp.path() / "jdk" / deep / "LICENSE", "GPL");
    test::writeBytes(temp.path() / "jdk" / "bin" / "java", "#!");
    const fs::path archive = temp.path() / "runtime.tar.gz";
    const std::string command = "tar --format=gnu --incremental -czf '" + archive.string() + "' -C '" +
                                temp.path().string() + "' jdk 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const test::ReadResult read = test::readArchive(test::readBytes(archive));
    ASSERT_EQ(read.error, u"");
    std::vector<std::string> files;
    for (const test::ReadEntry& entry : read.entries) {
        if (entry.entry.kind == EntryKind::File) files.push_back(entry.entry.name + "=" + entry.data);
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"jdk/bin/java=#!", "jdk/" + deep + "/LICENSE=GPL"}));
}

} // namespace
} // namespace launcher
