#include "ToolProcess.h"

#include <sstream>

namespace launcher::pack {

ToolRun runTool(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                const std::string& input, const ToolEnvironment& environment) {
    ToolRequest request;
    request.input = input;
    request.environment = environment;
    return runTool(program, arguments, request);
}

std::vector<std::string> withSecretFile(std::vector<std::string> arguments, const std::string& path) {
    for (std::string& argument : arguments) {
        if (argument == kSecretFileArgument) argument = path;
    }
    return arguments;
}

std::string outputLines(const std::string& output) {
    std::istringstream lines(output);
    std::string text;
    for (std::string line; std::getline(lines, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (!line.empty()) text += (text.empty() ? "" : "\n  ") + line;
    }
    return text;
}

std::string toolFailure(const std::string& name, const ToolRun& run) {
    std::string text = outputLines(run.output);
    return name + " failed (exit code " + std::to_string(run.exitCode) + ")" + (text.empty() ? "" : ": " + text);
}

std::string windowsCommandLine(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty()) line += ' ';
        if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
            line += argument;
            continue;
        }
        // Backslashes count only before a quotation mark: there they are
        // doubled, and the mark itself gets one more.
        line += '"';
        size_t backslashes = 0;
        for (char c : argument) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
            backslashes = 0;
            line += c;
        }
        line.append(backslashes * 2, '\\');
        line += '"';
    }
    return line;
}

} // namespace launcher::pack
