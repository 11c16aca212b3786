#include "install/ArchiveReader.h"

#include "base/Text.h"

namespace launcher {

std::u16string quotedEntryName(const std::string& name) {
    return u"\"" + fromUtf8(name) + u"\"";
}

} // namespace launcher
