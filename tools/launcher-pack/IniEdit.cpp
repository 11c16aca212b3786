#include "IniEdit.h"

#include <vector>

namespace launcher::pack {

namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
    return text;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The section a header line opens, or nothing for other lines.
bool sectionHeader(std::string_view line, std::string_view& name) {
    line = trim(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') return false;
    name = trim(line.substr(1, line.size() - 2));
    return true;
}

// The text's lines, each with its line end.
std::vector<std::string_view> iniLines(std::string_view ini) {
    std::vector<std::string_view> lines;
    for (size_t at = 0; at < ini.size();) {
        size_t next = ini.find('\n', at);
        next = next == std::string_view::npos ? ini.size() : next + 1;
        lines.push_back(ini.substr(at, next - at));
        at = next;
    }
    return lines;
}

bool isEntryOf(std::string_view line, std::string_view key) {
    const size_t equals = line.find('=');
    return equals != std::string_view::npos && sameName(trim(line.substr(0, equals)), key);
}

} // namespace

std::string setIniValue(std::string_view ini, std::string_view section, std::string_view key, std::string_view value) {
    std::string end = ini.find("\r\n") != std::string_view::npos || ini.empty() ? "\r\n" : "\n";
    std::string entry = std::string(key) + "=" + std::string(value);
    const std::vector<std::string_view> lines = iniLines(ini);
    // First an existing entry of the first such section is replaced; failing
    // that, the entry goes right after that section's header.
    std::string out;
    bool done = false;
    for (bool insert : {false, true}) {
        out.clear();
        bool inSection = false;
        bool seen = false;
        for (std::string_view line : lines) {
            std::string_view name;
            bool header = sectionHeader(line, name);
            if (!insert && !done && inSection && !header && isEntryOf(line, key)) {
                out += entry + (line.ends_with("\r\n") ? "\r\n" : line.ends_with("\n") ? "\n" : "");
                done = true;
                continue;
            }
            if (header) inSection = !seen && sameName(name, section);
            seen = seen || inSection;
            out += line;
            if (insert && header && inSection && !done) {
                if (!line.ends_with("\n")) out += end;
                out += entry + end;
                done = true;
            }
        }
        if (done) return out;
    }
    if (!done) {
        if (!out.empty() && !out.ends_with("\n")) out += end;
        out.append("[").append(section).append("]").append(end).append(entry).append(end);
    }
    return out;
}

std::string removeIniValue(std::string_view ini, std::string_view section, std::string_view key) {
    // The launcher may read any section of that name: the key goes from each.
    std::string out;
    bool inSection = false;
    for (std::string_view line : iniLines(ini)) {
        std::string_view name;
        if (sectionHeader(line, name)) {
            inSection = sameName(name, section);
        } else if (inSection && isEntryOf(line, key)) {
            continue;
        }
        out += line;
    }
    return out;
}

} // namespace launcher::pack
