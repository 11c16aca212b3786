#include "vmopts/AssemblyOptions.h"

#include <algorithm>

namespace launcher {

namespace {

// The runtime's options that decide the layout of what the cache holds,
// named exactly: the collector, the heap's size, the object headers and
// alignment. Any other "-XX:" option may act on its own (read another
// options file, write a file, run a command) and stays out.
constexpr std::u16string_view kLayoutFlags[] = {
    u"UseSerialGC",       u"UseParallelGC",        u"UseG1GC",
    u"UseZGC",            u"ZGenerational",        u"UseShenandoahGC",
    u"UseEpsilonGC",      u"UnlockExperimentalVMOptions", u"MaxHeapSize",
    u"UseCompressedOops", u"UseCompressedClassPointers",  u"UseCompactObjectHeaders",
    u"ObjectAlignmentInBytes"};
// The module options, in their "name=value" form, the only one the runtime
// takes through the invocation interface.
constexpr std::u16string_view kModuleOptions[] = {u"--add-modules",   u"--add-opens",   u"--add-exports",
                                                  u"--add-reads",     u"--limit-modules", u"--module-path",
                                                  u"--upgrade-module-path", u"--patch-module"};

bool isLayoutFlag(std::u16string_view option) {
    if (!startsWith(option, u"-XX:")) return false;
    std::u16string_view name = option.substr(4);
    if (!name.empty() && (name[0] == u'+' || name[0] == u'-')) {
        name.remove_prefix(1);
    } else {
        const size_t equals = name.find(u'=');
        if (equals == std::u16string_view::npos) return false;
        name = name.substr(0, equals);
    }
    return std::find(std::begin(kLayoutFlags), std::end(kLayoutFlags), name) != std::end(kLayoutFlags);
}

// "-Xmx" with a size: digits and at most one unit letter.
bool isHeapSize(std::u16string_view option) {
    if (!startsWith(option, u"-Xmx")) return false;
    std::u16string_view size = option.substr(4);
    if (!size.empty() && std::u16string_view(u"kKmMgGtT").find(size.back()) != std::u16string_view::npos) {
        size.remove_suffix(1);
    }
    return !size.empty() && std::all_of(size.begin(), size.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

bool isAssemblyOption(std::u16string_view option) {
    if (option == u"--enable-preview" || isHeapSize(option) || isLayoutFlag(option)) return true;
    return std::any_of(std::begin(kModuleOptions), std::end(kModuleOptions), [&](std::u16string_view name) {
        return option.size() > name.size() + 1 && startsWith(option, name) && option[name.size()] == u'=';
    });
}

TextList assemblyRelevantOptions(const TextList& applicationOptions) {
    TextList relevant;
    for (const std::u16string& option : applicationOptions) {
        if (isAssemblyOption(option)) relevant.push_back(option);
    }
    return relevant;
}

} // namespace launcher
