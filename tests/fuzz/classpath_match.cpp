// Feeds arbitrary class path entries to the wildcard matching that finds
// jar files beside the launcher, and checks it against the rules the entry
// is written in: "*" any run of characters, "?" one character, everything
// else literal, "*.*" every name; characters are UTF-16 units, or bytes
// where a name is not UTF-8.

#include "FuzzCheck.h"
#include "base/FileFinder.h"
#include "base/FileFinder.posix.h"
#include "vmopts/ClassPath.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

using namespace launcher;

namespace {

// Names a vendor's folder may hold, wildcard and bracket characters and a
// name that is not UTF-8 among them.
const std::vector<std::string> kNames = {
    "a.jar", "B.JAR", "lib", "x.y.z", ".hidden", "noext", "[x].jar", "back\\slash.jar", "\xc3\xbcn\xc3\xaf.jar",
    "lat\xe9.jar", "*star", "q?mark", "sp ace.jar", "a.jar.bak", "..dots", "ab", "\xe6\x97\xa5.jar"};

std::string folder;

bool isUtf8(std::string_view text) { return toUtf8(fromUtf8(text)) == text; }

std::vector<char32_t> unitsOf(std::string_view text, bool decode) {
    std::vector<char32_t> units;
    if (decode) {
        for (char16_t unit : fromUtf8(text)) units.push_back(unit);
    } else {
        for (char c : text) units.push_back(static_cast<unsigned char>(c));
    }
    return units;
}

// The written rules, over characters (bytes when either side is not UTF-8).
bool expectedMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*") return true;
    const bool decode = isUtf8(pattern) && isUtf8(name);
    const std::vector<char32_t> p = unitsOf(pattern, decode);
    const std::vector<char32_t> n = unitsOf(name, decode);
    // matched[j]: the pattern so far matches the first j characters.
    std::vector<bool> matched(n.size() + 1, false);
    matched[0] = true;
    for (char32_t c : p) {
        std::vector<bool> next(n.size() + 1, false);
        for (size_t j = 0; j <= n.size(); ++j) {
            if (c == U'*') next[j] = matched[j] || (j > 0 && next[j - 1]);
            else if (j > 0) next[j] = matched[j - 1] && (c == U'?' || c == n[j - 1]);
        }
        matched.swap(next);
    }
    return matched[n.size()];
}

void removeFolder() { std::filesystem::remove_all(folder); }

// The found elements of an entry, each the folder, a separator and a name.
std::vector<std::string> foundNames(std::u16string_view entry) {
    std::u16string classPath;
    resolveClassPathEntry(entry, fromUtf8(folder), classPath);
    std::vector<std::string> names;
    const std::string prefix = folder + "/";
    for (const std::u16string& element : splitString(classPath, u":")) {
        if (element.empty()) continue;
        const std::string path = toUtf8(element);
        FUZZ_CHECK(path.starts_with(prefix));
        names.push_back(path.substr(prefix.size()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

// On disk: exactly the names that match, each once; without wildcards, the
// one name when it exists.
void checkSearch(const std::string& entry) {
    std::vector<std::string> expected;
    const bool wildcard = entry.find_first_of("*?") != std::string::npos;
    std::vector<std::string> all = kNames;
    all.insert(all.end(), {".", ".."});
    for (const std::string& name : all) {
        if (wildcard ? expectedMatch(entry, name) : (!entry.empty() && name == entry)) expected.push_back(name);
    }
    std::sort(expected.begin(), expected.end());
    // A name that is not UTF-8 comes back through the launcher's UTF-16
    // text with replacement characters: it is matched, but not kept as
    // written, so only the UTF-8 names are compared.
    std::vector<std::string> found = foundNames(fromUtf8(entry));
    std::erase_if(expected, [](const std::string& name) { return !isUtf8(name); });
    std::erase_if(found, [](const std::string& name) { return name.find("\xef\xbf\xbd") != name.npos; });
    FUZZ_CHECK(found == expected);
}

void checkPrefix(std::u16string_view pattern, PathForm form) {
    const std::u16string prefix = matchPrefix(pattern, form);
    FUZZ_CHECK(pattern.starts_with(prefix));
    const std::u16string_view rest = pattern.substr(prefix.size());
    FUZZ_CHECK(rest.find(form.separator) == rest.npos && (!form.windows || rest.find(u'/') == rest.npos));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char scratch[] = "/tmp/classpath_match.XXXXXX";
    if (!mkdtemp(scratch)) std::abort();
    folder = scratch;
    for (const std::string& name : kNames) {
        if (name == "lib") std::filesystem::create_directory(folder + "/" + name);
        else std::ofstream(folder + "/" + name).put('x');
    }
    std::atexit(removeFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::erase(text, '\0');
    const std::string pattern = text.substr(0, text.find('\n'));
    const std::string name = text.size() > pattern.size() ? text.substr(pattern.size() + 1) : std::string();

    // The matcher on any pair, names that are no UTF-8 included.
    FUZZ_CHECK(searchNameMatches(pattern, name) == expectedMatch(pattern, name));
    checkPrefix(fromUtf8(text), kWindowsPathForm);
    checkPrefix(fromUtf8(text), kPosixPathForm);

    // The whole search of a class path entry in a folder of known names.
    std::string entry = toUtf8(fromUtf8(pattern));
    std::erase_if(entry, [](char c) { return c == '/' || c == ':'; });
    // A directory listing costs far more than a match: one input in eight,
    // chosen by its content so that a saved input repeats its check.
    if (entry.size() <= 64 && std::hash<std::string>{}(text) % 8 == 0) checkSearch(entry);
    return 0;
}
