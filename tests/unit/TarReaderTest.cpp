#include "support/ArchiveBuilder.h"

#include "install/ArchiveFormat.h"

#include "base/Text.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

using test::TarItem;

const std::string kLongFolder = "jdk-21.0.5+11-jre/legal/java.naming/a-folder-name-long-enough/to-need/more-than-one-hundred/characters";

TEST(TarReader, ReadsFilesFoldersModesAndEveryKindOfLongName) {
    const std::string big(200000, 'b');
    const std::string archive = test::gzip(test::buildTar({
        {.name = "jdk/", .type = '5', .mode = 0755},
        {.name = "jdk/bin/java", .data = "#!", .mode = 0755},
        {.name = "jdk/lib/modules", .data = big},
        {.name = kLongFolder + "/ustar-prefix.txt", .data = "p"},
        {.name = kLongFolder + "/pax-path.txt", .data = "x", .longName = TarItem::LongName::Pax},
        {.name = kLongFolder + "/gnu-long-name.txt", .data = "g", .longName = TarItem::LongName::Gnu},
        {.name = "jdk/lib/libjava.so", .type = '2'},
        {.name = "jdk/lib/hard", .type = '1'},
    }));
    test::ReadResult read = test::readArchive(archive);
    ASSERT_EQ(read.error, u"");
    ASSERT_EQ(read.entries.size(), 8u);
    EXPECT_EQ(read.entries[0].entry.kind, EntryKind::Folder);
    EXPECT_EQ(read.entries[1].entry.mode, 0755u);
    EXPECT_EQ(read.entries[1].data, "#!");
    EXPECT_EQ(read.entries[2].entry.mode, 0644u);
    EXPECT_TRUE(read.entries[2].data == big);
    EXPECT_GT(read.entries[2].pieces, 1u);
    EXPECT_EQ(read.entries[3].entry.name, kLongFolder + "/ustar-prefix.txt");
    EXPECT_EQ(read.entries[4].entry.name, kLongFolder + "/pax-path.txt");
    EXPECT_EQ(read.entries[4].data, "x");
    EXPECT_EQ(read.entries[5].entry.name, kLongFolder + "/gnu-long-name.txt");
    EXPECT_EQ(read.entries[5].data, "g");
    EXPECT_EQ(read.entries[6].entry.kind, EntryKind::SymbolicLink);
    EXPECT_EQ(read.entries[7].entry.kind, EntryKind::HardLink);
}

// GNU tar's own format keeps times where ustar keeps a name's prefix (its
// incremental mode fills them): a name is the header's own, or its
// long-name entry's.
TEST(TarReader, ReadsNamesOfGnuFormatHeaders) {
    const auto gnu = TarItem::LongName::Gnu;
    const std::string archive = test::gzip(test::buildTar({
        {.name = "jdk/", .type = '5', .mode = 0755, .longName = gnu},
        {.name = "jdk/bin/java", .data = "#!", .mode = 0755, .longName = gnu},
        {.name = kLongFolder + "/gnu-long-name.txt", .data = "g", .longName = gnu},
    }));
    test::ReadResult read = test::readArchive(archive);
    ASSERT_EQ(read.error, u"");
    ASSERT_EQ(read.entries.size(), 3u);
    EXPECT_EQ(read.entries[0].entry.name, "jdk/");
    EXPECT_EQ(read.entries[1].entry.name, "jdk/bin/java");
    EXPECT_EQ(read.entries[1].data, "#!");
    EXPECT_EQ(read.entries[2].entry.name, kLongFolder + "/gnu-long-name.txt");
}

// A link's target from the header, a pax "linkpath" or a GNU long link; a
// file never has one.
TEST(TarReader, GivesLinkTargetsFromEveryPlaceTheyAreKept) {
    const std::string longTarget = "../" + kLongFolder + "/LICENSE";
    const std::string pax = " linkpath=" + longTarget + "\n";
    const std::string paxRecord = std::to_string(pax.size() + 3) + pax;
    const std::string archive = test::gzip(test::buildTar({
        {.name = "jdk/legal/a", .type = '2', .link = "../java.base/LICENSE"},
        {.name = "PaxHeaders/b", .data = paxRecord, .type = 'x'},
        {.name = "jdk/legal/b", .type = '2', .link = "cut"},
        {.name = "././@LongLink", .data = longTarget + '\0', .type = 'K'},
        {.name = "jdk/legal/c", .type = '2', .link = "cut"},
        {.name = "jdk/legal/d", .data = "text", .link = "ignored"},
    }));
    test::ReadResult read = test::readArchive(archive);
    ASSERT_EQ(read.error, u"");
    ASSERT_EQ(read.entries.size(), 4u);
    EXPECT_EQ(read.entries[0].entry.linkTarget, "../java.base/LICENSE");
    EXPECT_EQ(read.entries[1].entry.linkTarget, longTarget);
    EXPECT_EQ(read.entries[2].entry.linkTarget, longTarget);
    EXPECT_EQ(read.entries[3].entry.linkTarget, "");
}

TEST(TarReader, SkipsDataTheCallerDidNotRead) {
    const std::string tar = test::buildTar({{.name = "jdk/a", .data = std::string(70000, 'a')}, {.name = "jdk/b", .data = "b"}});
    std::string bytes = test::gzip(tar);
    MemorySource source(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    std::u16string error;
    std::unique_ptr<ArchiveReader> reader = openArchiveReader(source, error);
    ASSERT_TRUE(reader);
    ArchiveEntry entry;
    ASSERT_EQ(reader->next(entry), ArchiveReader::Step::Entry);
    ASSERT_EQ(reader->next(entry), ArchiveReader::Step::Entry);
    EXPECT_EQ(entry.name, "jdk/b");
    EXPECT_EQ(reader->next(entry), ArchiveReader::Step::End);
}

// A gzip member made exactly length bytes long through the file name its
// header may carry.
std::string memberOfLength(const std::string& member, size_t length) {
    std::string padded = member;
    padded[3] = static_cast<char>(padded[3] | 0x08);
    padded.insert(10, std::string(length - member.size() - 1, 'n') + '\0');
    return padded;
}

TEST(TarReader, ReadsMembersThatFollowOneAnother) {
    const std::string tar = test::buildTar({{.name = "jdk/a", .data = std::string(3000, 'a')}});
    const std::string first = test::gzip(tar.substr(0, 1000));
    const std::string second = test::gzip(tar.substr(1000));
    // Split inside the entry's data; then with the second member's magic
    // split between two of the reader's 64 KB pieces.
    for (const std::string& archive : {first + second, memberOfLength(first, 65535) + second}) {
        test::ReadResult read = test::readArchive(archive);
        ASSERT_EQ(read.error, u"") << archive.size();
        ASSERT_EQ(read.entries.size(), 1u);
        EXPECT_EQ(read.entries[0].data, std::string(3000, 'a'));
    }
}

// Sizes past 4 GB keep every bit in the 32-bit build too: an entry that
// claims more than the archive holds ends early instead of being cut to the
// low 32 bits of its size and read as sound.
TEST(TarReader, SizesBeyondFourGigabytesAreNotCut) {
    for (const uint64_t size : {(uint64_t{1} << 32) + 3, (uint64_t{1} << 33) + 3, (uint64_t{1} << 40) + 3}) {
        const std::string pax = " size=" + std::to_string(size) + "\n";
        const std::string record = std::to_string(pax.size() + 2) + pax;
        const std::string archive = test::gzip(test::buildTar({
            {.name = "PaxHeaders/a", .data = record, .type = 'x'},
            {.name = "jdk/a", .data = "abc"},
        }));
        test::ReadResult read = test::readArchive(archive);
        ASSERT_EQ(read.entries.size(), 1u) << size << ": " << toUtf8(read.error);
        EXPECT_EQ(read.entries[0].entry.size, size);
        EXPECT_NE(read.error.find(u"\"jdk/a\" ends early"), std::u16string::npos) << size << ": " << toUtf8(read.error);
    }
}

TEST(TarReader, RefusesDamagedArchives) {
    const std::string tar = test::buildTar({{.name = "jdk/a", .data = std::string(3000, 'a')}});
    const std::string sound = test::gzip(tar);
    std::string badHeader = tar;
    badHeader[10] = 'X';
    std::string badTrailer = sound;
    badTrailer[sound.size() - 6] ^= 0x11; // the gzip trailer's CRC-32
    const std::pair<std::string, const char16_t*> cases[] = {
        {sound.substr(0, sound.size() / 2), u"cut short"},
        {sound.substr(0, 12), u"cut short"},
        {test::gzip(tar.substr(0, 512 + 100)), u"\"jdk/a\" ends early"},
        {test::gzip(tar.substr(0, 300)), u"ends early"},
        {test::gzip(badHeader), u"checksum"},
        {badTrailer, u"not valid"},
    };
    for (const auto& [archive, message] : cases) {
        test::ReadResult read = test::readArchive(archive);
        EXPECT_NE(read.error.find(message), std::u16string::npos) << toUtf8(message) << ": " << toUtf8(read.error);
    }
}

} // namespace
} // namespace launcher
