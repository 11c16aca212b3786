#pragma once
// Archives built by the tests themselves (zip, tar, gzip through zlib's
// deflate), including the damaged and hostile ones no archiver writes.

#include "install/ArchiveReader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace launcher::test {

struct ZipItem {
    std::string name;
    std::string data;
    bool deflate = true;
    // A Unix st_mode (type and permission bits) recorded as made on Unix;
    // 0 records the entry as made on MS-DOS, without one.
    uint32_t unixMode = 0;
    // Sizes and CRC after the data, zeros in the local header.
    bool dataDescriptor = false;
    // Overrides of what the directory records, for damaged archives.
    std::optional<uint32_t> crc;
    std::optional<uint32_t> size;
};

std::string buildZip(const std::vector<ZipItem>& items, std::string_view comment = {});

struct TarItem {
    std::string name;
    std::string data;
    char type = '0';
    uint32_t mode = 0644;
    // A link's target, in the header's link name field.
    std::string link;
    // How a name too long for the header travels. Gnu writes the whole
    // entry in GNU tar's format, whatever the name's length.
    enum class LongName { Prefix, Pax, Gnu } longName = LongName::Prefix;
};

// A plain tar (with its two closing zero blocks); gzip() it for a .tar.gz.
std::string buildTar(const std::vector<TarItem>& items);
std::string gzip(std::string_view data);
// Bytes that deflate cannot shrink much, the same for the same length.
std::string noise(size_t length);

// Everything an archive reader gives for bytes: the entries with their
// data, up to the first failure, whose message is then in error.
struct ReadEntry {
    ArchiveEntry entry;
    std::string data;
    // How many pieces the data came in.
    size_t pieces = 0;
};
struct ReadResult {
    std::vector<ReadEntry> entries;
    std::u16string error;
};
ReadResult readArchive(std::string_view bytes);

} // namespace launcher::test
