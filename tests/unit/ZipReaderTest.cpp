#include "support/ArchiveBuilder.h"

#include "base/Text.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

using test::ZipItem;

using test::noise;

TEST(ZipReader, ReadsStoredDeflatedAndDescribedEntriesBehindAComment) {
    const std::string big = noise(300 * 1024);
    const std::string archive = test::buildZip(
        {
            {.name = "jdk/", .data = "", .deflate = false, .unixMode = 040755},
            {.name = "jdk/release", .data = "JAVA_VERSION=\"21\"\n", .deflate = false, .unixMode = 0100644},
            {.name = "jdk/bin/java", .data = big, .unixMode = 0100755},
            {.name = "jdk/lib/modules", .data = std::string(100000, 'm'), .dataDescriptor = true},
            {.name = "jdk/legal/", .data = ""},
        },
        "a comment holding PK\x05\x06, the end record's signature, well before its end");
    test::ReadResult read = test::readArchive(archive);
    ASSERT_EQ(read.error, u"");
    ASSERT_EQ(read.entries.size(), 5u);
    EXPECT_EQ(read.entries[0].entry.kind, EntryKind::Folder);
    EXPECT_EQ(read.entries[0].entry.mode, 0755u);
    EXPECT_EQ(read.entries[1].data, "JAVA_VERSION=\"21\"\n");
    EXPECT_EQ(read.entries[1].entry.mode, 0644u);
    EXPECT_EQ(read.entries[2].entry.name, "jdk/bin/java");
    EXPECT_EQ(read.entries[2].entry.kind, EntryKind::File);
    EXPECT_EQ(read.entries[2].entry.mode, 0755u);
    EXPECT_EQ(read.entries[2].entry.size, big.size());
    EXPECT_TRUE(read.entries[2].data == big);
    // Streamed, not expanded whole.
    EXPECT_GT(read.entries[2].pieces, 2u);
    EXPECT_EQ(read.entries[3].data, std::string(100000, 'm'));
    // Made on MS-DOS: no mode, a folder by its attribute and slash.
    EXPECT_EQ(read.entries[3].entry.mode, 0u);
    EXPECT_EQ(read.entries[4].entry.kind, EntryKind::Folder);
}

TEST(ZipReader, ReportsSymbolicLinksAndSpecialFilesAsSuch) {
    test::ReadResult read = test::readArchive(test::buildZip({
        {.name = "jdk/lib/link", .data = "../bin/java", .deflate = false, .unixMode = 0120777},
        {.name = "jdk/fifo", .data = "", .deflate = false, .unixMode = 0010644},
    }));
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(read.entries[0].entry.kind, EntryKind::SymbolicLink);
    EXPECT_EQ(read.entries[1].entry.kind, EntryKind::Other);
}

struct DamagedZip {
    const char* what;
    std::string archive;
    const char16_t* message;
};

std::string flipped(std::string bytes, size_t at) {
    bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
    return bytes;
}

std::vector<DamagedZip> damagedZips() {
    const std::string text = noise(5000);
    const std::string sound = test::buildZip({{.name = "jdk/a", .data = text}});
    const size_t dataAt = 30 + 5;
    return {
        {"cut in its directory", sound.substr(0, sound.size() - 30), u"no end record"},
        {"cut to its first half", sound.substr(0, sound.size() / 2), u"no end record"},
        {"too short for a zip", "PK\x03\x04", u"too short"},
        {"a CRC that does not match", test::buildZip({{.name = "jdk/a", .data = text, .crc = 1234}}), u"CRC-32"},
        {"stored data changed", flipped(test::buildZip({{.name = "jdk/a", .data = text, .deflate = false}}), dataAt + 10),
         u"CRC-32"},
        {"deflated data changed", flipped(sound, dataAt + 2), u"\"jdk/a\""},
        {"a bomb that declares less than it expands to",
         test::buildZip({{.name = "jdk/a", .data = std::string(1 << 20, 'z'), .size = 1000}}),
         u"expands beyond the size it declares"},
        {"a size larger than the data", test::buildZip({{.name = "jdk/a", .data = text, .size = 6000}}),
         u"expands to 5000 bytes, not the 6000"},
        {"stored sizes that differ", test::buildZip({{.name = "jdk/a", .data = text, .deflate = false, .size = 10}}),
         u"two sizes differ"},
    };
}

TEST(ZipReader, RefusesDamagedArchivesNamingTheEntry) {
    for (const DamagedZip& c : damagedZips()) {
        test::ReadResult read = test::readArchive(c.archive);
        EXPECT_NE(read.error.find(c.message), std::u16string::npos) << c.what << ": " << toUtf8(read.error);
    }
}

TEST(ZipReader, RefusesWhatItDoesNotSupport) {
    std::string zip64 = test::buildZip({{.name = "jdk/a", .data = "x"}});
    // An end record whose directory offset is Zip64's placeholder.
    const size_t end = zip64.size() - 22;
    zip64.replace(end + 16, 4, "\xFF\xFF\xFF\xFF");
    std::string encrypted = test::buildZip({{.name = "jdk/a", .data = "x"}});
    const size_t central = encrypted.find("PK\x01\x02");
    encrypted[central + 8] |= 1;
    std::string method = test::buildZip({{.name = "jdk/a", .data = "x"}});
    method[method.find("PK\x01\x02") + 10] = 14;
    const std::pair<std::string, const char16_t*> cases[] = {
        {zip64, u"Zip64"},
        {encrypted, u"\"jdk/a\" is encrypted"},
        {method, u"method 14"},
        {"plain text, not an archive", u"neither a zip archive nor a .tar.gz"},
    };
    for (const auto& [archive, message] : cases) {
        EXPECT_NE(test::readArchive(archive).error.find(message), std::u16string::npos) << toUtf8(message);
    }
}

// Archivers without Zip64 write the entry count modulo 65536: the directory
// itself says how many entries there are, so that none is left unread (nor
// left out of the entry limit). A directory that disagrees with the count is
// damaged.
TEST(ZipReader, ReadsTheWholeDirectoryWhateverItsCountSays) {
    std::vector<ZipItem> items(65537, ZipItem{.name = "", .data = "", .deflate = false});
    for (size_t i = 0; i < items.size(); ++i) items[i].name = "jdk/" + std::to_string(i);
    const std::string wrapped = test::buildZip(items);
    const test::ReadResult read = test::readArchive(wrapped);
    EXPECT_TRUE(read.error.empty()) << toUtf8(read.error);
    ASSERT_EQ(read.entries.size(), items.size());
    EXPECT_EQ(read.entries.back().entry.name, "jdk/65536");

    std::string counted = test::buildZip({{.name = "jdk/a", .data = "x"}, {.name = "jdk/b", .data = "y"}});
    counted[counted.size() - 22 + 8] = 1; // entries in this part, then in all: one fewer than recorded
    counted[counted.size() - 22 + 10] = 1;
    EXPECT_NE(test::readArchive(counted).error.find(u"damaged"), std::u16string::npos);
}

} // namespace
} // namespace launcher
