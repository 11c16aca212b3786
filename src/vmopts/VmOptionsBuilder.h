#pragma once
// Turns the settings of the option step into virtual-machine options: the
// class path, then each "Virtual Machine Parameters" option with its quotes
// removed and memory shares rewritten; also the thread stack size that a
// "-Xss" option names and the extra arguments of "Cmd".

#include "config/IniSource.h"
#include "vmopts/MemoryOptions.h"
#include "vmopts/VmOptionList.h"

#include <cstdint>
#include <functional>

namespace launcher {

inline constexpr std::u16string_view kClassPathKey = u"Class Path";
inline constexpr std::u16string_view kEmbeddedJarKey = u"Embedded Jar";
inline constexpr std::u16string_view kVmParametersKey = u"Virtual Machine Parameters";
inline constexpr std::u16string_view kCmdKey = u"Cmd";

// The setting texts as read, before any expansion.
struct VmOptionSettings {
    std::u16string classPath;    // "Class Path" in "Class Path"
    std::u16string embeddedJar;  // "Embedded Jar" in "Application"
    std::u16string vmParameters; // "Virtual Machine Parameters" in "Java Runtime Environment"
    std::u16string cmd;          // "Cmd" in "Application"
};

// Reads the four settings; an absent key reads as empty.
VmOptionSettings readVmOptionSettings(IniSource& ini);

struct VmOptionsOutcome {
    // The class path came out empty: nothing was added, the stack size is
    // 0 and there are no "Cmd" arguments; message 209 is due.
    bool classPathMissing = false;
    // Bytes named by the last "-Xss" option; 0 when none named a size.
    uint64_t stackSize = 0;
    // To follow the command line's arguments.
    TextList cmdArguments;
    // The folders of the parameters' own "-Djava.library.path=" options,
    // for the DLL search (see libraryPathOptionFolders).
    TextList libraryPathFolders;
};

// Options that go between the class path and the application's own
// options, given the class path and those options as the runtime gets them.
using LeadingOptions = std::function<TextList(std::u16string_view classPath, const TextList& parameters)>;

// Appends the class-path option, the leading options and the parameters,
// in that order, to options. modulePath is the executable's full path
// (empty when unknown); memory feeds the P and T shares.
VmOptionsOutcome buildVmOptions(const VmOptionSettings& settings, std::u16string_view modulePath,
                                const MemoryFigures& memory, VmOptionList& options,
                                const LeadingOptions& leading = {});

// The options of the parameter line as the runtime gets them before
// environment expansion: quotes removed, shares rewritten. stackSize takes
// the size of each "-Xss" option in turn.
TextList vmParameterOptions(std::u16string_view parameters, const MemoryFigures& memory, uint64_t& stackSize);

// The "Cmd" setting as arguments: references expanded, split like a
// command line, empty arguments left out.
TextList cmdArgumentsFrom(std::u16string_view cmd);

} // namespace launcher
