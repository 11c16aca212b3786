#include "PackageTables.h"

#include "CodePage.h"
#include "InstallerBuild.h"
#include "ToolProcess.h"
#include "WixText.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace launcher::pack {

namespace {

// The standard tables with a column of binary data, which "msiinfo export"
// writes as files into the current folder. Their text is identifiers only.
constexpr std::string_view kBinaryTables[] = {"Binary", "Icon", "MsiDigitalCertificate", "MsiDigitalSignature",
                                              "MsiPatchHeaders", "Patch"};

bool isAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// The value of the attribute in the element that starts with open, or "".
std::string attributeOf(const std::string& text, std::string_view open, std::string_view attribute) {
    size_t element = text.find(open);
    if (element == std::string::npos) return "";
    size_t at = text.find(" " + std::string(attribute) + "=\"", element);
    if (at == std::string::npos || at > text.find('>', element)) return "";
    at += attribute.size() + 3;
    return text.substr(at, text.find('"', at) - at);
}

// Where the path attribute that starts at i ends (after its closing
// quotation mark), or i when none starts there.
size_t pathAttributeEnd(const std::string& line, size_t i) {
    for (std::string_view path : {" Source=\"", " SourceFile=\""}) {
        if (line.compare(i, path.size(), path) == 0) return std::min(line.find('"', i + path.size()), line.size() - 1) + 1;
    }
    return i;
}

// A folder removed with its content when the scope ends.
class ScratchFolder {
public:
    explicit ScratchFolder(fs::path path) : path_(std::move(path)) {
        std::error_code error;
        if (!fs::create_directory(path_, error)) throw PackError(displayPath(path_) + ": cannot be created");
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Writes a table's file; its path.
    fs::path write(const std::string& table, const std::string& text) const {
        fs::path file = path_ / pathFromUtf8(table + ".idt");
        std::ofstream out(file, std::ios::binary);
        out << text;
        if (!out.flush()) throw PackError(displayPath(file) + ": cannot be written");
        return file;
    }

private:
    fs::path path_;
};

ToolRun checkedRun(const fs::path& tool, const std::vector<std::string>& arguments) {
    ToolRun run = runTool(tool, arguments);
    // msibuild reports a failed import on its output and still ends with 0
    // (msiinfo's output is table data, which may hold any word).
    bool reported = tool.stem() == "msibuild" && run.output.find("failed to ") != std::string::npos;
    if (run.exitCode != 0 || reported) {
        throw PackError(toolFailure(tool.filename().string(), run));
    }
    return run;
}

std::string encoded(const std::string& text, int codePage) {
    std::optional<std::string> bytes = encodeInCodePage(text, codePage);
    if (!bytes) throw PackError("\"" + text + "\" cannot be written in code page " + std::to_string(codePage));
    return *bytes;
}

} // namespace

WixlSource wixlSource(const std::string& source) {
    WixlSource result;
    std::string stem = "zzCP";
    while (source.find(stem) != std::string::npos) stem += 'z';
    std::istringstream lines(source);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("<ShortcutProperty ") != std::string::npos) continue;
        for (size_t i = 0; i < line.size();) {
            // wixl reads the files by these paths: they stay as they are.
            size_t path = pathAttributeEnd(line, i);
            if (path != i) {
                result.text += line.substr(i, path - i);
                i = path;
                continue;
            }
            if (static_cast<unsigned char>(line[i]) < 0x80) {
                result.text += line[i++];
                continue;
            }
            size_t end = i;
            while (end < line.size() && static_cast<unsigned char>(line[end]) >= 0x80) ++end;
            std::string run = line.substr(i, end - i), token;
            for (const auto& [known, text] : result.tokens) {
                if (text == run) token = known;
            }
            if (token.empty()) {
                token = stem + std::to_string(result.tokens.size()) + stem;
                result.tokens.emplace_back(token, run);
            }
            result.text += token;
            i = end;
        }
        result.text += '\n';
    }
    // wixl's summary comment names the product: without its name when that
    // is a token (msibuild cannot set the comment afterwards).
    if (!isAscii(attributeOf(source, "<Product ", "Name"))) {
        size_t package = result.text.find("<Package ");
        if (package != std::string::npos) result.text.insert(package + 8, " Comments=\"\"");
    }
    return result;
}

std::string withoutTokens(std::string text, const WixlSource& source) {
    for (const auto& [token, original] : source.tokens) {
        for (size_t at = text.find(token); at != std::string::npos; at = text.find(token, at + original.size())) {
            text.replace(at, token.size(), original);
        }
    }
    return text;
}

std::string codePageTable(int codePage) { return "\r\n\r\n" + std::to_string(codePage) + "\t_ForceCodepage\r\n"; }

std::string shortcutPropertyTable(const InstallerPackage& package) {
    if (package.appId.empty()) return "";
    std::string table = "MsiShortcutProperty\tShortcut_\tPropertyKey\tPropVariantValue\r\n"
                        "s72\ts72\ts0\ts0\r\n"
                        "MsiShortcutProperty\tMsiShortcutProperty\r\n";
    // System.AppUserModel.ID, as the shell's property key names it.
    const std::string key = "{9F4C2855-9F79-4B39-A8D0-E1D42DE1D5F3} 5";
    table += "StartMenuAppId\tStartMenuShortcut\t" + key + "\t" + formattedText(package.appId) + "\r\n";
    if (package.desktopShortcut) table += "DesktopAppId\tDesktopShortcut\t" + key + "\t" + formattedText(package.appId) + "\r\n";
    return table;
}

void writePackageTables(const MsiTools& tools, const fs::path& msi, const InstallerPackage& package, const WixlSource& source) {
    ScratchFolder folder(scratchNameFor(msi));
    std::vector<std::string> arguments{displayPath(msi), "-i", displayPath(folder.write("_ForceCodepage", codePageTable(package.codePage)))};
    if (!source.tokens.empty()) {
        std::istringstream tables(checkedRun(tools.msiinfo, {"tables", displayPath(msi)}).output);
        for (std::string table; std::getline(tables, table);) {
            if (table.empty() || table.starts_with("_") || std::ranges::find(kBinaryTables, table) != std::end(kBinaryTables)) continue;
            std::string text = checkedRun(tools.msiinfo, {"export", displayPath(msi), table}).output;
            if (withoutTokens(text, source) != text) arguments.push_back(displayPath(folder.write(table, withoutTokens(text, source))));
        }
    }
    if (!package.appId.empty()) arguments.push_back(displayPath(folder.write("MsiShortcutProperty", shortcutPropertyTable(package))));
    // The summary's text as wixl wrote it is UTF-8 or tokens; msibuild
    // writes the bytes it is given. Last on the line: msibuild reads the
    // words after -s's two as more of the summary.
    const std::string& vendor = package.vendor.empty() ? package.name : package.vendor;
    if (vendor.starts_with("-") && !isAscii(vendor)) {
        throw PackError("the vendor \"" + vendor + "\" starts with \"-\", which msibuild cannot write into the package's "
                        "summary together with characters beyond ASCII");
    }
    arguments.insert(arguments.end(), {"-s", encoded(package.description.empty() ? package.name : package.description, package.codePage),
                                       encoded(vendor, package.codePage)});
    checkedRun(tools.msibuild, arguments);
}

} // namespace launcher::pack
