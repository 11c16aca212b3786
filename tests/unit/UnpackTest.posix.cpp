#include "install/Unpack.h"

#include "support/ArchiveBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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

// An archive's modes never make a file that others may write: at most
// 0755, less what the umask takes, as for every new file.
TEST(UnpackModes, StayWithin0755AndTheUmask) {
    struct Row {
        mode_t umask;
        uint32_t stored;
        mode_t expected;
    } const rows[] = {{022, 0777, 0755}, {022, 0666, 0644}, {0, 0777, 0755}, {077, 0777, 0700}, {027, 0775, 0750}};
    test::TempFolder temp;
    int n = 0;
    for (const Row& row : rows) {
        const std::string zip = test::buildZip({{.name = "jdk/bin/java", .data = "p", .unixMode = 0100000 | row.stored}});
        const std::string tgz = test::gzip(test::buildTar({{.name = "jdk/bin/java", .data = "p", .mode = row.stored}}));
        for (const std::string& bytes : {zip, tgz}) {
            const std::filesystem::path archive = temp.path() / ("r" + std::to_string(++n));
            test::writeBytes(archive, bytes);
            const std::filesystem::path destination = temp.path() / ("runtime" + std::to_string(n));
            const mode_t before = ::umask(row.umask);
            std::u16string message;
            const bool unpacked = unpackArchive(
                {.archive = fromUtf8(archive.string()), .destination = fromUtf8(destination.string())}, message);
            ::umask(before);
            ASSERT_TRUE(unpacked) << toUtf8(message);
            EXPECT_EQ(permissions(destination / "bin" / "java"), row.expected)
                << std::oct << "stored " << row.stored << ", umask " << row.umask;
        }
    }
}

std::string linkAt(const std::filesystem::path& path) {
    char target[256] = {};
    const ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
    return length < 0 ? std::string("(not a link)") : std::string(target, static_cast<size_t>(length));
}

// Runtime images link their legal notices; from either archive kind the
// links are made as links, whatever their place in the archive.
TEST(UnpackLinks, MakesRelativeLinksInsideTheFolder) {
    test::TempFolder temp;
    const std::string tgz = test::gzip(test::buildTar({
        {.name = "jdk/legal/java.xml/LICENSE", .type = '2', .mode = 0777, .link = "../java.base/LICENSE"},
        {.name = "jdk/legal/java.base/LICENSE", .data = "GPL"},
    }));
    const std::string zip = test::buildZip({
        {.name = "jdk/legal/java.xml/LICENSE", .data = "../java.base/LICENSE", .unixMode = 0120777},
        {.name = "jdk/legal/java.base/LICENSE", .data = "GPL", .unixMode = 0100644},
    });
    for (const auto& [name, bytes] : {std::pair{"r.tar.gz", tgz}, std::pair{"r.zip", zip}}) {
        const std::filesystem::path archive = temp.path() / name;
        test::writeBytes(archive, bytes);
        const std::filesystem::path destination = temp.path() / (std::string(name) + ".runtime");
        std::u16string message;
        ASSERT_TRUE(unpackArchive({.archive = fromUtf8(archive.string()), .destination = fromUtf8(destination.string())},
                                  message)) << name << ": " << toUtf8(message);
        const std::filesystem::path link = destination / "legal" / "java.xml" / "LICENSE";
        EXPECT_TRUE(std::filesystem::is_symlink(link)) << name;
        EXPECT_EQ(linkAt(link), "../java.base/LICENSE") << name;
        EXPECT_EQ(test::readBytes(link), "GPL") << name;
    }
}

// A later entry below a link's name goes into a real folder, and the link
// then fails: nothing is ever written through a link, and nothing stays.
TEST(UnpackLinks, NeverWritesThroughALink) {
    test::TempFolder temp;
    const std::filesystem::path outside = temp.path() / "outside";
    std::filesystem::create_directories(outside);
    const std::filesystem::path archive = temp.path() / "r.tar.gz";
    test::writeBytes(archive, test::gzip(test::buildTar({
        {.name = "jdk/lib", .type = '2', .mode = 0777, .link = "."},
        {.name = "jdk/lib/file", .data = "x"},
        {.name = "jdk/hard", .type = '1', .link = "jdk/lib/file"},
    })));
    std::u16string message;
    const std::filesystem::path destination = temp.path() / "runtime";
    EXPECT_FALSE(unpackArchive({.archive = fromUtf8(archive.string()), .destination = fromUtf8(destination.string())},
                               message));
    EXPECT_NE(message.find(u"\"jdk/hard\" is a hard link"), std::u16string::npos) << toUtf8(message);
    test::writeBytes(archive, test::gzip(test::buildTar({
        {.name = "jdk/lib", .type = '2', .mode = 0777, .link = "."},
        {.name = "jdk/lib/file", .data = "x"},
    })));
    EXPECT_FALSE(unpackArchive({.archive = fromUtf8(archive.string()), .destination = fromUtf8(destination.string())},
                               message));
    EXPECT_NE(message.find(u"Creating the symbolic link"), std::u16string::npos) << toUtf8(message);
    EXPECT_FALSE(std::filesystem::exists(destination));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), {}), 2);
}

} // namespace
} // namespace launcher
