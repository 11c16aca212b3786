#include "PackCommand.h"

#include "Branding.h"
#include "EmbeddedConfig.h"
#include "FileIo.h"
#include "IconFile.h"
#include "IniEdit.h"
#include "ShowReport.h"

#include "base/Text.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <ostream>

namespace launcher::pack {

namespace {

const char kUsage[] =
    "usage: launcher-pack --launcher FILE --name NAME --dest DIR\n"
    "                     [--ini FILE] [--icon FILE.ico] [--app-version A.B.C.D]\n"
    "                     [--vendor TEXT] [--description TEXT] [--copyright TEXT]\n"
    "                     [--embed FILE.ini --upgrade-code TEXT]\n"
    "                     [--input DIR] [--runtime DIR]\n"
    "       launcher-pack --show FILE.exe [--upgrade-code TEXT]\n";

const char* const kOptions[] = {"--launcher", "--name",  "--dest",  "--ini",   "--icon",         "--app-version",
                                "--vendor",   "--description", "--copyright", "--embed", "--upgrade-code",
                                "--input",    "--runtime", "--show"};

class UsageError : public PackError {
public:
    using PackError::PackError;
};

using Options = std::map<std::string, std::string>;

Options parseOptions(const std::vector<std::string>& arguments) {
    Options options;
    for (size_t i = 0; i < arguments.size(); i += 2) {
        const std::string& option = arguments[i];
        if (std::find(std::begin(kOptions), std::end(kOptions), option) == std::end(kOptions)) {
            throw UsageError("unknown option " + option);
        }
        if (i + 1 >= arguments.size()) throw UsageError(option + " needs a value");
        if (!options.emplace(option, arguments[i + 1]).second) throw UsageError(option + " is given twice");
    }
    return options;
}

std::optional<std::string> value(const Options& options, const std::string& option) {
    auto found = options.find(option);
    return found == options.end() ? std::nullopt : std::optional(found->second);
}

// The executable's name as given, without ".exe"; it must be a plain file
// name that Windows accepts.
std::string checkedName(std::string name) {
    if (name.size() > 4 && (name.ends_with(".exe") || name.ends_with(".EXE"))) name.resize(name.size() - 4);
    bool bad = name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ';
    for (char c : name) bad = bad || static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos;
    // Device names are no file names on Windows, with any extension.
    std::string device = name.substr(0, name.find('.'));
    for (char& c : device) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    bad = bad || device == "CON" || device == "PRN" || device == "AUX" || device == "NUL" ||
          (device.size() == 4 && (device.starts_with("COM") || device.starts_with("LPT")) && device[3] >= '1' && device[3] <= '9');
    if (bad) throw PackError("--name: " + name + " is not a valid file name");
    return name;
}

bool isInside(const fs::path& inner, const fs::path& outer) {
    std::error_code error;
    fs::path a = fs::weakly_canonical(inner, error);
    fs::path b = fs::weakly_canonical(outer, error);
    auto [end, _] = std::mismatch(b.begin(), b.end(), a.begin(), a.end());
    return end == b.end();
}

std::string minimalIni(const std::string& name) {
    return "[Product Information]\r\nProduct Name=" + name + "\r\n";
}

void package(const Options& options) {
    for (const char* required : {"--launcher", "--name", "--dest"}) {
        if (!value(options, required)) throw UsageError(std::string(required) + " is required");
    }
    if (value(options, "--embed").has_value() != value(options, "--upgrade-code").has_value()) {
        throw UsageError("--embed and --upgrade-code go together");
    }
    Branding branding;
    branding.name = checkedName(*value(options, "--name"));
    if (auto version = value(options, "--app-version")) {
        try {
            branding.version = parseVersionNumber(*version);
        } catch (const PackError& e) {
            throw PackError(std::string("--app-version: ") + e.what());
        }
    }
    for (const char* text : {"--name", "--vendor", "--description", "--copyright"}) {
        std::string given = value(options, text).value_or("");
        if (toUtf8(fromUtf8(given)) != given) throw PackError(std::string(text) + ": not UTF-8 text");
    }
    branding.vendor = value(options, "--vendor").value_or("");
    branding.description = value(options, "--description").value_or("");
    branding.copyright = value(options, "--copyright").value_or("");
    if (auto code = value(options, "--upgrade-code")) {
        try {
            checkUpgradeCode(*code);
        } catch (const PackError& e) {
            throw PackError(std::string("--upgrade-code: ") + e.what());
        }
        branding.upgradeCode = *code;
    }
    auto readOptional = [&](const char* option) -> std::optional<std::string> {
        auto file = value(options, option);
        return file ? std::optional(readWholeFile(pathFromUtf8(*file))) : std::nullopt;
    };
    std::string launcher = readWholeFile(pathFromUtf8(*value(options, "--launcher")));
    if (auto icon = readOptional("--icon")) branding.icon = Bytes(icon->begin(), icon->end());
    branding.embeddedIni = readOptional("--embed");
    std::string ini = readOptional("--ini").value_or(minimalIni(branding.name));
    if (!branding.upgradeCode.empty()) {
        // Lines added to UTF-16 text as bytes would break it.
        if (ini.starts_with("\xFF\xFE") || ini.starts_with("\xFE\xFF")) {
            throw PackError("--ini: a UTF-16 file cannot take the upgrade code; save it as UTF-8");
        }
        ini = setIniValue(ini, "Product Information", "Upgrade Code", branding.upgradeCode);
    }

    fs::path dest = pathFromUtf8(*value(options, "--dest"));
    for (const char* folder : {"--input", "--runtime"}) {
        if (auto source = value(options, folder); source && isInside(dest, pathFromUtf8(*source))) {
            throw PackError(std::string("--dest: ") + displayPath(dest) + " lies inside " + folder);
        }
    }
    Bytes exe = brandExecutable(Bytes(launcher.begin(), launcher.end()), branding);

    StagedFolder staged(dest);
    if (auto input = value(options, "--input")) staged.copyFolder(pathFromUtf8(*input), "");
    if (auto runtime = value(options, "--runtime")) staged.copyFolder(pathFromUtf8(*runtime), "jre64");
    staged.writeFile(pathFromUtf8(branding.name + ".ini"), ini);
    staged.writeFile(pathFromUtf8(branding.name + ".exe"),
                     std::string_view(reinterpret_cast<const char*>(exe.data()), exe.size()));
    staged.commit();
}

void show(const Options& options, std::ostream& out) {
    for (const auto& [option, _] : options) {
        if (option != "--show" && option != "--upgrade-code") throw UsageError(option + " does not go with --show");
    }
    fs::path file = pathFromUtf8(*value(options, "--show"));
    std::string bytes = readWholeFile(file);
    try {
        out << describeExecutable(Bytes(bytes.begin(), bytes.end()), value(options, "--upgrade-code"));
    } catch (const PackError& e) {
        throw PackError(displayPath(file) + ": " + e.what());
    }
}

} // namespace

int runLauncherPack(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        out << kUsage;
        return 0;
    }
    try {
        Options options = parseOptions(arguments);
        if (options.count("--show")) show(options, out);
        else package(options);
        return 0;
    } catch (const UsageError& e) {
        err << "launcher-pack: " << e.what() << "\n" << kUsage;
        return 2;
    } catch (const std::exception& e) {
        err << "launcher-pack: " << e.what() << "\n";
        return 1;
    }
}

} // namespace launcher::pack
