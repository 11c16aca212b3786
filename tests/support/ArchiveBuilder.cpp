#include "support/ArchiveBuilder.h"

#include "install/ArchiveFormat.h"

#include <zlib.h>

#include <cstdio>
#include <stdexcept>

namespace launcher::test {

namespace {

void put16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}

void put32(std::string& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// deflate with the given window bits: negative for raw data, 31 for gzip.
std::string deflateWith(std::string_view data, int windowBits) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string octal(uint64_t value, size_t width) {
    std::string digits(width - 1, '0');
    for (size_t i = width - 1; i-- > 0; value >>= 3) digits[i] = static_cast<char>('0' + (value & 7));
    return digits + '\0';
}

void putField(std::string& block, size_t at, std::string_view text) { block.replace(at, text.size(), text); }

std::string tarHeader(const std::string& name, const std::string& prefix, char type, uint32_t mode, uint64_t size,
                      const std::string& link = {}, bool gnu = false) {
    std::string block(512, '\0');
    putField(block, 0, name.substr(0, 100));
    putField(block, 100, octal(mode, 8));
    putField(block, 108, octal(0, 8));
    putField(block, 116, octal(0, 8));
    putField(block, 124, octal(size, 12));
    putField(block, 136, octal(0, 12));
    block[156] = type;
    putField(block, 157, link.substr(0, 100));
    if (gnu) {
        // GNU tar's own format, as "tar --format=gnu --incremental" writes
        // it: its magic, and the access and change times where ustar keeps
        // the name's prefix.
        putField(block, 257, std::string_view("ustar  \0", 8));
        putField(block, 345, octal(015306537633, 12));
        putField(block, 357, octal(015306537633, 12));
    } else {
        putField(block, 257, std::string_view("ustar\0" "00", 8));
        putField(block, 345, prefix.substr(0, 155));
    }
    putField(block, 148, "        ");
    unsigned sum = 0;
    for (char c : block) sum += static_cast<unsigned char>(c);
    putField(block, 148, octal(sum, 7));
    return block;
}

void appendTarEntry(std::string& out, const std::string& header, std::string_view data) {
    out += header;
    out += data;
    out.append((512 - data.size() % 512) % 512, '\0');
}

} // namespace

std::string buildZip(const std::vector<ZipItem>& items, std::string_view comment) {
    std::string out;
    std::string directory;
    for (const ZipItem& item : items) {
        const uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(item.data.data()), static_cast<uInt>(item.data.size())));
        const std::string packed = item.deflate ? deflateWith(item.data, -MAX_WBITS) : item.data;
        const uint32_t method = item.deflate ? 8 : 0;
        const uint32_t flags = (item.dataDescriptor ? 8 : 0) | 0x800;
        const uint32_t offset = static_cast<uint32_t>(out.size());
        put32(out, 0x04034b50);
        put16(out, 20);
        put16(out, flags);
        put16(out, method);
        put32(out, 0);
        put32(out, item.dataDescriptor ? 0 : crc);
        put32(out, item.dataDescriptor ? 0 : static_cast<uint32_t>(packed.size()));
        put32(out, item.dataDescriptor ? 0 : static_cast<uint32_t>(item.data.size()));
        put16(out, static_cast<uint32_t>(item.name.size()));
        put16(out, 0);
        out += item.name;
        out += packed;
        if (item.dataDescriptor) {
            put32(out, 0x08074b50);
            put32(out, crc);
            put32(out, static_cast<uint32_t>(packed.size()));
            put32(out, static_cast<uint32_t>(item.data.size()));
        }
        put32(directory, 0x02014b50);
        put16(directory, item.unixMode ? (3u << 8 | 20) : 20);
        put16(directory, 20);
        put16(directory, flags);
        put16(directory, method);
        put32(directory, 0);
        put32(directory, item.crc.value_or(crc));
        put32(directory, static_cast<uint32_t>(packed.size()));
        put32(directory, item.size.value_or(static_cast<uint32_t>(item.data.size())));
        put16(directory, static_cast<uint32_t>(item.name.size()));
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put32(directory, item.unixMode << 16 | (!item.name.empty() && item.name.back() == '/' ? 0x10 : 0));
        put32(directory, offset);
        directory += item.name;
    }
    const uint32_t directoryOffset = static_cast<uint32_t>(out.size());
    out += directory;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<uint32_t>(items.size()));
    put16(out, static_cast<uint32_t>(items.size()));
    put32(out, static_cast<uint32_t>(directory.size()));
    put32(out, directoryOffset);
    put16(out, static_cast<uint32_t>(comment.size()));
    out += comment;
    return out;
}

std::string buildTar(const std::vector<TarItem>& items) {
    std::string out;
    for (const TarItem& item : items) {
        std::string name = item.name;
        std::string prefix;
        const bool gnu = item.longName == TarItem::LongName::Gnu;
        if (name.size() > 100) {
            if (item.longName == TarItem::LongName::Pax) {
                std::string record = " path=" + name + "\n";
                std::string length = std::to_string(record.size() + 2);
                if (length.size() + record.size() != std::stoul(length)) length = std::to_string(record.size() + 3);
                appendTarEntry(out, tarHeader("PaxHeaders/long", "", 'x', 0644, length.size() + record.size()),
                               length + record);
                name = name.substr(0, 100);
            } else if (item.longName == TarItem::LongName::Gnu) {
                appendTarEntry(out, tarHeader("././@LongLink", "", 'L', 0644, name.size() + 1, {}, true), name + '\0');
                name = name.substr(0, 100);
            } else {
                const size_t slash = name.rfind('/', 155);
                prefix = name.substr(0, slash);
                name = name.substr(slash + 1);
            }
        }
        appendTarEntry(out, tarHeader(name, prefix, item.type, item.mode, item.data.size(), item.link, gnu), item.data);
    }
    out.append(1024, '\0');
    return out;
}

std::string gzip(std::string_view data) { return deflateWith(data, MAX_WBITS + 16); }

std::string noise(size_t length) {
    std::string data(length, '\0');
    uint32_t state = 12345;
    for (char& c : data) {
        state = state * 1103515245 + 12345;
        c = static_cast<char>(state >> 23);
    }
    return data;
}

ReadResult readArchive(std::string_view bytes) {
    ReadResult result;
    MemorySource source(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    std::unique_ptr<ArchiveReader> reader = openArchiveReader(source, result.error);
    if (!reader) return result;
    for (;;) {
        ReadEntry read;
        const ArchiveReader::Step step = reader->next(read.entry);
        if (step == ArchiveReader::Step::End) return result;
        if (step == ArchiveReader::Step::Failed) {
            result.error = reader->error();
            return result;
        }
        const bool ok = reader->readData([&](std::span<const uint8_t> piece) {
            read.data.append(reinterpret_cast<const char*>(piece.data()), piece.size());
            ++read.pieces;
            return true;
        });
        result.entries.push_back(std::move(read));
        if (!ok) {
            result.error = reader->error();
            return result;
        }
    }
}

} // namespace launcher::test
