#include "ExecutableFiles.h"

#include "Signing.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace launcher::pack {

namespace {

constexpr size_t kLfanewOffset = 0x3C;
constexpr size_t kCoffHeaderSize = 20;
// The longest optional header: PE32+ with all 16 data directories.
constexpr size_t kLongestOptionalHeader = 240;

std::string count(size_t n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

} // namespace

uint64_t peHeadersLength(const Bytes& start) {
    if (start.size() < 64 || start[0] != 'M' || start[1] != 'Z') return 0;
    uint32_t lfanew = ByteView(start, "").u32(kLfanewOffset);
    return uint64_t{lfanew} + 4 + kCoffHeaderSize + kLongestOptionalHeader;
}

PeSignature peSignatureIn(const Bytes& headers) {
    if (peHeadersLength(headers) == 0) return PeSignature::NotPe;
    ByteView view(headers, "");
    size_t pe = view.u32(kLfanewOffset);
    if (!view.fits(pe, 4 + kCoffHeaderSize) || view.u32(pe) != 0x00004550) return PeSignature::NotPe;
    size_t optional = pe + 4 + kCoffHeaderSize;
    size_t optionalSize = view.u16(pe + 4 + 16);
    if (!view.fits(optional, 2)) return PeSignature::NotPe;
    uint16_t magic = view.u16(optional);
    if (magic != 0x10B && magic != 0x20B) return PeSignature::NotPe;
    // The count of data directories, then the directories; the security
    // directory is the fifth (8 bytes each: address, size).
    size_t countAt = optional + (magic == 0x20B ? 108 : 92);
    size_t security = countAt + 4 + 4 * 8;
    if (security + 8 > optional + optionalSize || !view.fits(security, 8) || view.u32(countAt) < 5) {
        return PeSignature::Unsigned;
    }
    return view.u32(security + 4) != 0 ? PeSignature::Signed : PeSignature::Unsigned;
}

PeSignature peSignatureOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw PackError(displayPath(file) + ": cannot be read (missing or not readable)");
    auto read = [&](size_t length) {
        Bytes bytes(length);
        in.clear();
        in.seekg(0);
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
        bytes.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
        return bytes;
    };
    uint64_t length = peHeadersLength(read(64));
    if (length == 0) return PeSignature::NotPe;
    // Any four bytes may stand where a PE file keeps its headers' offset:
    // never more than the file holds.
    std::error_code error;
    uintmax_t size = fs::file_size(file, error);
    return peSignatureIn(read(static_cast<size_t>(std::min<uint64_t>(length, error ? 0 : size))));
}

ExecutableFiles executablesBelow(const fs::path& folder) {
    ExecutableFiles found;
    std::vector<fs::path> files;
    std::error_code error;
    fs::recursive_directory_iterator walk(folder, error), end;
    for (; !error && walk != end; walk.increment(error)) {
        // A link, also a broken one, is neither followed nor a failure.
        std::error_code ignored;
        if (!walk->is_symlink(ignored) && walk->is_regular_file(ignored)) files.push_back(walk->path().lexically_relative(folder));
    }
    if (error) throw PackError(displayPath(folder) + ": cannot be read (" + error.message() + ")");
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        PeSignature signature = peSignatureOf(folder / file);
        if (signature == PeSignature::Signed) ++found.signedCount;
        if (signature == PeSignature::Unsigned) found.unsignedFiles.push_back(file);
    }
    return found;
}

std::string describeFolder(const fs::path& folder) {
    ExecutableFiles files = executablesBelow(folder);
    std::ostringstream out;
    out << "folder: " << displayPath(folder) << "\n";
    out << "executable files: " << files.signedCount + files.unsignedFiles.size() << ", signed: " << files.signedCount
        << ", unsigned: " << files.unsignedFiles.size() << "\n";
    for (const fs::path& file : files.unsignedFiles) out << "unsigned: " << displayPath(file) << "\n";
    return out.str();
}

ExecutableFiles signUnsignedExecutables(const Signer& signer, const fs::path& folder) {
    ExecutableFiles found = executablesBelow(folder);
    for (const fs::path& file : found.unsignedFiles) signFile(signer, folder / file, displayPath(file.filename()));
    return found;
}

std::string inputSigningNote(const ExecutableFiles& input) {
    return "launcher-pack: --input: signed " + count(input.unsignedFiles.size(), "executable file", "executable files") +
           "; " + count(input.signedCount, "was", "were") + " signed already and left alone\n";
}

std::string runtimeSigningNote(const ExecutableFiles& runtime) {
    size_t all = runtime.signedCount + runtime.unsignedFiles.size();
    return "launcher-pack: --runtime: " + std::to_string(runtime.unsignedFiles.size()) + " of its " +
           count(all, "executable file carries", "executable files carry") +
           " no signature; a runtime's files are left as its maker shipped them\n";
}

} // namespace launcher::pack
