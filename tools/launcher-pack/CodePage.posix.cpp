#include "CodePage.h"

#include "base/UniqueResource.h"

#include <cerrno>

#include <iconv.h>

namespace launcher::pack {

namespace {

struct IconvTraits {
    using Value = iconv_t;
    static Value empty() { return reinterpret_cast<iconv_t>(-1); }
    static void close(Value converter) { iconv_close(converter); }
};
using Converter = UniqueResource<IconvTraits>;

} // namespace

std::optional<std::string> encodeInCodePage(std::string_view utf8, int codePage) {
    // Without "//TRANSLIT": a character the code page lacks is an error,
    // never a look-alike.
    Converter converter(iconv_open(("CP" + std::to_string(codePage)).c_str(), "UTF-8"));
    if (!converter) throw PackError("the C library cannot convert text to code page " + std::to_string(codePage));
    std::string input(utf8), output(utf8.size() * 2 + 16, '\0');
    char* in = input.data();
    size_t inLeft = input.size();
    char* out = output.data();
    size_t outLeft = output.size();
    while (inLeft > 0) {
        if (iconv(converter.get(), &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1)) continue;
        if (errno != E2BIG) return std::nullopt;
        size_t used = static_cast<size_t>(out - output.data());
        output.resize(output.size() * 2);
        out = output.data() + used;
        outLeft = output.size() - used;
    }
    output.resize(static_cast<size_t>(out - output.data()));
    return output;
}

} // namespace launcher::pack
