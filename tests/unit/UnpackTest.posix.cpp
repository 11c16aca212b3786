#include "install/Unpack.h"

#include "support/ArchiveBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace launcher {
namespace {

mode_t permissions(const std::filesystem::path& file) {
    struct stat info {};
    EXPECT_EQ(::stat(file.c_str(), &info), 0) << file;
    return info.st_mode & 07777;
}

// A runtime's programs must stay executable, from either archive kind; the
// set-user-ID bit of a download is never kept.
TEST(UnpackModes, KeepsPermissionBitsButNotSetUserId) {
    test::TempFolder temp;
    const std::string zip = test::buildZip({
        {.name = "jdk/bin/java", .data = "p", .unixMode = 0104755},
        {.name = "jdk/lib/data", .data = "d", .unixMode = 0100640},
    });
    const std::string tgz = test::gzip(test::buildTar({
        {.name = "jdk/bin/java", .data = "p", .mode = 04755},
        {.name = "jdk/lib/data", .data = "d", .mode = 0640},
    }));
    for (const auto& [name, bytes] : {std::pair{"r.zip", zip}, std::pair{"r.tar.gz", tgz}}) {
        const std::filesystem::path archive = temp.path() / name;
        test::writeBytes(archive, bytes);
        const std::filesystem::path destination = temp.path() / (std::string(name) + ".runtime");
        std::u16string message;
        ASSERT_TRUE(unpackArchive({.archive = fromUtf8(archive.string()), .destination = fromUtf8(destination.string())},
                                  message)) << toUtf8(message);
        EXPECT_EQ(permissions(destination / "bin" / "java"), 0755u) << name;
        EXPECT_EQ(permissions(destination / "lib" / "data"), 0640u) << name;
    }
}

} // namespace
} // namespace launcher
