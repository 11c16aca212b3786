#include "install/Unpack.h"

#include "support/ArchiveBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>

namespace launcher {
namespace {

namespace fs = std::filesystem;
using test::ZipItem;

std::vector<ZipItem> runtimeItems() {
    return {
        {.name = "jdk-21/", .data = "", .unixMode = 040755},
        {.name = "jdk-21/bin/java", .data = "program", .unixMode = 0100755},
        {.name = "jdk-21/lib/modules", .data = test::noise(200000), .unixMode = 0100644},
        {.name = "jdk-21/release", .data = "JAVA_VERSION=\"21\"\n"},
        {.name = "jdk-21/legal/caf\xC3\xA9.txt", .data = "UTF-8 name"},
    };
}

// What lies in the folder, relative paths with "/", sorted.
std::vector<std::string> listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        const std::u8string name = fs::relative(item.path(), folder).generic_u8string();
        names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class Unpack : public testing::Test {
protected:
    std::u16string archive(std::string_view bytes, std::u16string_view name = u"runtime.zip") {
        test::writeBytes(test::toPath(temp.text(name)), bytes);
        return temp.text(name);
    }
    bool unpack(const std::u16string& archivePath, UnpackedFolderCheck check = {}) {
        return unpackArchive({.archive = archivePath, .destination = destination, .check = std::move(check)}, message);
    }

    test::TempFolder temp;
    // Not ASCII, so that Windows must take the path as UTF-16.
    std::u16string destination = temp.text(u"runtime-\u00e9\u4e2d");
    std::u16string message;
};

TEST_F(Unpack, MovesTheTopFolderIntoPlaceAfterTheCheck) {
    std::vector<std::string> seen;
    const std::u16string zip = archive(test::buildZip(runtimeItems()));
    ASSERT_TRUE(unpack(zip, [&](const std::u16string& folder) {
        seen = listing(test::toPath(folder));
        return std::u16string();
    })) << toUtf8(message);
    const std::vector<std::string> expected{"bin", "bin/java", "legal", "legal/caf\xC3\xA9.txt", "lib", "lib/modules", "release"};
    // The check saw the whole runtime before it moved...
    EXPECT_EQ(seen, expected);
    // ...and the move took it whole, leaving nothing else beside it.
    EXPECT_EQ(listing(test::toPath(destination)), expected);
    EXPECT_EQ(test::readBytes(test::toPath(destination) / "lib" / "modules"), test::noise(200000));
    EXPECT_EQ(listing(temp.path()).size(), expected.size() + 2);
}

TEST_F(Unpack, UnpacksATarGzAsWell) {
    const std::u16string tgz = archive(test::gzip(test::buildTar({
        {.name = "jdk-21/bin/java", .data = "program", .mode = 0755},
        {.name = "jdk-21/release", .data = "JAVA_VERSION=\"21\"\n"},
    })), u"runtime.tar.gz");
    ASSERT_TRUE(unpack(tgz)) << toUtf8(message);
    EXPECT_EQ(test::readBytes(test::toPath(destination) / "bin" / "java"), "program");
}

struct FailingUnpack {
    const char* what;
    std::vector<ZipItem> items;
    const char16_t* message;
};

// Whatever fails, and however late, nothing of the unpack stays behind.
TEST_F(Unpack, AnyFailureLeavesOnlyTheArchive) {
    std::vector<ZipItem> slip = runtimeItems();
    slip.push_back({.name = "jdk-21/../../escaped", .data = "x"});
    std::vector<ZipItem> damaged = runtimeItems();
    damaged.push_back({.name = "jdk-21/lib/last", .data = "data", .crc = 7});
    std::vector<ZipItem> link = runtimeItems();
    link.push_back({.name = "jdk-21/lib/link", .data = "/etc/passwd", .unixMode = 0120777});
    std::vector<ZipItem> outward = runtimeItems();
    outward.push_back({.name = "jdk-21/legal/up", .data = "../../../escaped", .unixMode = 0120777});
    std::vector<ZipItem> bomb = runtimeItems();
    bomb.push_back({.name = "jdk-21/lib/bomb", .data = std::string(30 << 20, '\0')});
    const FailingUnpack cases[] = {
        {"a zip-slip entry", slip, u"\"jdk-21/../../escaped\" climbs out"},
        {"a CRC mismatch in the last entry", damaged, u"\"jdk-21/lib/last\" fails its CRC-32"},
        {"an absolute symbolic link", link, u"\"jdk-21/lib/link\" is a symbolic link"},
        {"a symbolic link leaving the folder", outward, u"\"jdk-21/legal/up\" is a symbolic link"},
        {"a bomb beyond 20 times the archive", bomb, u"\"jdk-21/lib/bomb\" expands the archive beyond"},
        {"nothing in it", {}, u"nothing to unpack"},
    };
    for (const FailingUnpack& c : cases) {
        const std::u16string zip = archive(test::buildZip(c.items));
        EXPECT_FALSE(unpack(zip)) << c.what;
        EXPECT_NE(message.find(c.message), std::u16string::npos) << c.what << ": " << toUtf8(message);
        EXPECT_EQ(listing(temp.path()), std::vector<std::string>{"runtime.zip"}) << c.what;
    }
}

TEST_F(Unpack, ARefusingCheckKeepsTheRuntimeOutOfPlace) {
    const std::u16string zip = archive(test::buildZip(runtimeItems()));
    EXPECT_FALSE(unpack(zip, [](const std::u16string&) { return std::u16string(u"no runtime library for x64"); }));
    EXPECT_EQ(message, u"no runtime library for x64");
    EXPECT_EQ(listing(temp.path()), std::vector<std::string>{"runtime.zip"});
}

// A Cancel is read between entries: the unpack ends without the runtime
// in place and removes what it wrote, for either kind of archive.
TEST_F(Unpack, ACancelEndsItAndLeavesOnlyTheArchive) {
    const std::atomic<bool> cancel{true};
    const std::u16string zip = archive(test::buildZip(runtimeItems()));
    const std::u16string tgz = archive(test::gzip(test::buildTar({{.name = "jdk-21/release", .data = "JAVA_VERSION=\"21\"\n"}})),
                                       u"runtime.tar.gz");
    for (const std::u16string& path : {zip, tgz}) {
        EXPECT_FALSE(unpackArchive({.archive = path, .destination = destination, .cancel = &cancel}, message));
        EXPECT_EQ(message, u"The unpacking was cancelled.");
        EXPECT_EQ(listing(temp.path()), (std::vector<std::string>{"runtime.tar.gz", "runtime.zip"})) << toUtf8(path);
    }
    const std::atomic<bool> goOn{false};
    EXPECT_TRUE(unpackArchive({.archive = tgz, .destination = destination, .cancel = &goOn}, message)) << toUtf8(message);
}

// A pax header of one comment record (which a reader passes over).
test::TarItem paxComment(std::string_view value) {
    const std::string record = " comment=" + std::string(value) + "\n";
    std::string length = std::to_string(record.size() + 3);
    if (length.size() != 3) length = std::to_string(record.size() + length.size());
    return {.name = "PaxHeaders/x", .data = length + record, .type = 'x'};
}

// Reads an archive from memory, setting cancel once it has read past at;
// remembers how far it read.
class CancellingSource final : public ByteSource {
public:
    CancellingSource(const std::string& bytes, std::atomic<bool>& cancel, uint64_t at)
        : inner_(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())), cancel_(cancel), at_(at) {}
    uint64_t size() const override { return inner_.size(); }
    bool read(uint64_t offset, std::span<uint8_t> into) override {
        furthest = std::max(furthest, offset + into.size());
        if (furthest > at_) cancel_ = true;
        return inner_.read(offset, into);
    }
    uint64_t furthest = 0;

private:
    MemorySource inner_;
    std::atomic<bool>& cancel_;
    uint64_t at_;
};

// A tar's extended headers (pax, GNU long names) are no way around the
// entry limit or Cancel: each counts as an entry, and a Cancel is heard
// while a long run of them is read, not only at the next real entry.
TEST_F(Unpack, ExtendedHeadersCountAsEntriesAndHearCancel) {
    std::vector<test::TarItem> items;
    for (const char* name : {"jdk-21/a", "jdk-21/b", "jdk-21/c"}) {
        items.push_back(paxComment("made by hand"));
        items.push_back({.name = name, .data = "x"});
    }
    const std::u16string tgz = archive(test::gzip(test::buildTar(items)), u"runtime.tar.gz");
    EXPECT_FALSE(unpackArchive({.archive = tgz, .destination = destination, .limits = {.maxEntries = 5}}, message));
    EXPECT_NE(message.find(u"more than 5 entries"), std::u16string::npos) << toUtf8(message);
    EXPECT_TRUE(unpackArchive({.archive = tgz, .destination = destination, .limits = {.maxEntries = 6}}, message))
        << toUtf8(message);

    // Headers that deflate cannot shrink, so that reading them takes most
    // of the archive.
    const std::string noise = test::noise(3000 * 1000);
    std::vector<test::TarItem> run{{.name = "jdk-21/a", .data = "x"}};
    for (size_t at = 0; at < noise.size(); at += 1000) run.push_back(paxComment(std::string_view(noise).substr(at, 1000)));
    run.push_back({.name = "jdk-21/b", .data = "x"});
    const std::string bytes = test::gzip(test::buildTar(run));
    std::atomic<bool> cancel{false};
    CancellingSource source(bytes, cancel, bytes.size() / 3);
    const std::u16string other = destination + u"-2";
    EXPECT_FALSE(unpackArchive({.archive = u"run.tar.gz", .source = &source, .destination = other, .cancel = &cancel},
                               message));
    EXPECT_EQ(message, u"The unpacking was cancelled.");
    EXPECT_LT(source.furthest, bytes.size() / 2) << "the run of headers was read to its end";
    EXPECT_FALSE(fs::exists(test::toPath(other)));
}

TEST_F(Unpack, AnExistingDestinationIsLeftAlone) {
    fs::create_directories(test::toPath(destination));
    test::writeBytes(test::toPath(destination) / "mine", "kept");
    const std::u16string zip = archive(test::buildZip(runtimeItems()));
    EXPECT_FALSE(unpack(zip));
    EXPECT_NE(message.find(u"exists already"), std::u16string::npos) << toUtf8(message);
    EXPECT_EQ(listing(test::toPath(destination)), std::vector<std::string>{"mine"});
    EXPECT_EQ(listing(temp.path()).size(), 3u);
}

TEST_F(Unpack, AMissingArchiveSaysWhy) {
    EXPECT_FALSE(unpack(temp.text(u"absent.zip")));
    EXPECT_NE(message.find(u"Opening the archive"), std::u16string::npos) << toUtf8(message);
    EXPECT_FALSE(fs::exists(test::toPath(destination)));
}

} // namespace
} // namespace launcher
