#include "jvm/RuntimeOutput.h"

namespace launcher {

// The runtime shares the process's C library.
bool runtimeStreamsReachable() { return true; }

void writeRuntimeStream(FILE* stream, std::string_view text) { std::fwrite(text.data(), 1, text.size(), stream); }

} // namespace launcher
