#pragma once
// The executable files of a folder (PE files: programs, DLLs, JNI libraries,
// whatever their names end in) and whether each carries a signature; and
// signing the ones that carry none, because Windows' Smart App Control
// blocks an unsigned DLL or program that an application loads, not only an
// unsigned launcher.

#include "Bytes.h"
#include "FileIo.h"

#include <string>
#include <vector>

namespace launcher::pack {

struct Signer;

enum class PeSignature { NotPe, Unsigned, Signed };

// How many bytes from a file's start hold its PE headers (its security
// directory included), told by its first 64 bytes; 0 for a file that does
// not start as a PE file.
uint64_t peHeadersLength(const Bytes& start);

// What the headers say: no PE file (no MZ and PE signatures, or no
// optional header that is PE32 or PE32+), or a PE file with or without an
// Authenticode signature (a security directory).
PeSignature peSignatureIn(const Bytes& headers);

// Reads as much of the file as its headers take. Throws PackError when the
// file cannot be read.
PeSignature peSignatureOf(const fs::path& file);

struct ExecutableFiles {
    std::vector<fs::path> unsignedFiles; // relative to the folder, in order
    size_t signedCount = 0;
};

// The regular files below folder, links not followed.
ExecutableFiles executablesBelow(const fs::path& folder);

// For --show on a folder: how many executable files it holds and which of
// them carry no signature.
std::string describeFolder(const fs::path& folder);

// Signs every executable file below folder that carries no signature and
// leaves the signed ones alone; returns what it found before signing.
ExecutableFiles signUnsignedExecutables(const Signer& signer, const fs::path& folder);

// The lines that say what signing the application's files did, and how many
// of the runtime's files carry no signature (left as their maker shipped
// them).
std::string inputSigningNote(const ExecutableFiles& input);
std::string runtimeSigningNote(const ExecutableFiles& runtime);

} // namespace launcher::pack
