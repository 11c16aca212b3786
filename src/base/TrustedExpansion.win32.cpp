#include "base/Environment.h"
#include "base/Handles.win32.h"
#include "base/TrustedExpansion.h"
#include "base/Wide.win32.h"

#include <windows.h>

namespace launcher {

namespace {

constexpr wchar_t kMachineEnvironmentKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr wchar_t kProgramFoldersKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr wchar_t kProfileListKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// A text value of an HKLM key as stored, references unexpanded; nothing
// when it is missing or not text.
std::optional<std::u16string> machineText(const wchar_t* key, const wchar_t* name) {
    DWORD size = 0;
    const DWORD flags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, flags, nullptr, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::u16string buffer;
    for (;;) {
        buffer.assign(size / sizeof(char16_t) + 1, u'\0');
        size = static_cast<DWORD>(buffer.size() * sizeof(char16_t));
        const LSTATUS status = RegGetValueW(HKEY_LOCAL_MACHINE, key, name, flags, nullptr, buffer.data(), &size);
        if (status == ERROR_SUCCESS) break;
        // The value grew between the two calls.
        if (status != ERROR_MORE_DATA) return std::nullopt;
    }
    buffer.resize(std::char_traits<char16_t>::length(buffer.c_str()));
    return buffer;
}

// The folders and names Windows gives every process, from the system and
// the registry's machine keys.
void addSystemVariables(std::vector<TrustedVariable>& out) {
    auto add = [&](std::u16string_view name, std::optional<std::u16string> value) {
        if (value && !value->empty()) out.push_back({std::u16string(name), std::move(*value), VariableOrigin::System});
    };
    std::u16string windows(MAX_PATH, u'\0');
    UINT length = GetSystemWindowsDirectoryW(wide(windows), static_cast<UINT>(windows.size()));
    if (length >= windows.size()) {
        windows.assign(length, u'\0');
        length = GetSystemWindowsDirectoryW(wide(windows), static_cast<UINT>(windows.size()));
    }
    if (length > 0 && length < windows.size()) {
        windows.resize(length);
        add(u"SystemRoot", windows);
        add(u"windir", windows);
        if (windows.size() >= 2 && windows[1] == u':') add(u"SystemDrive", windows.substr(0, 2));
    }
    const std::pair<std::u16string_view, const wchar_t*> folders[] = {
        {u"ProgramFiles", L"ProgramFilesDir"},         {u"ProgramFiles(x86)", L"ProgramFilesDir (x86)"},
        {u"ProgramW6432", L"ProgramW6432Dir"},          {u"CommonProgramFiles", L"CommonFilesDir"},
        {u"CommonProgramFiles(x86)", L"CommonFilesDir (x86)"}, {u"CommonProgramW6432", L"CommonW6432Dir"}};
    for (const auto& [name, value] : folders) add(name, machineText(kProgramFoldersKey, value));
    // Stored with %SystemDrive% in them.
    auto expanded = [&](std::optional<std::u16string> text) -> std::optional<std::u16string> {
        if (!text) return text;
        return expandReferences(*text, [&](std::u16string_view name) -> std::optional<std::u16string> {
            for (const TrustedVariable& v : out) {
                if (equalsIgnoreCase(v.name, name)) return v.value;
            }
            return std::nullopt;
        });
    };
    const std::optional<std::u16string> programData = expanded(machineText(kProfileListKey, L"ProgramData"));
    add(u"ProgramData", programData);
    add(u"ALLUSERSPROFILE", programData);
    add(u"PUBLIC", expanded(machineText(kProfileListKey, L"Public")));
    std::u16string computer(MAX_COMPUTERNAME_LENGTH + 1, u'\0');
    DWORD computerLength = static_cast<DWORD>(computer.size());
    if (GetComputerNameW(wide(computer), &computerLength)) add(u"COMPUTERNAME", computer.substr(0, computerLength));
}

// Every text value of the machine's environment key, its references
// expanded from the variables already known.
void addMachineVariables(std::vector<TrustedVariable>& out) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMachineEnvironmentKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return;
    UniqueKey key(opened);
    DWORD longestName = 0;
    if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS) {
        return;
    }
    const size_t known = out.size();
    TextList names;
    for (DWORD index = 0;; ++index) {
        std::u16string name(longestName + 1, u'\0');
        DWORD length = static_cast<DWORD>(name.size());
        const LSTATUS status =
            RegEnumValueW(key.get(), index, wide(name), &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) break;
        name.resize(length);
        names.push_back(std::move(name));
    }
    std::vector<TrustedVariable> machine;
    for (const std::u16string& name : names) {
        std::optional<std::u16string> value = machineText(kMachineEnvironmentKey, wide(name));
        if (value) machine.push_back({name, std::move(*value), VariableOrigin::Machine});
    }
    // As Windows does: references to the system's and the machine's own
    // variables, each value once.
    auto lookup = [&](std::u16string_view name) -> std::optional<std::u16string> {
        for (const TrustedVariable& v : machine) {
            if (equalsIgnoreCase(v.name, name)) return v.value;
        }
        for (size_t i = 0; i < known; ++i) {
            if (equalsIgnoreCase(out[i].name, name)) return out[i].value;
        }
        return std::nullopt;
    };
    for (TrustedVariable& variable : machine) out.push_back({variable.name, expandReferences(variable.value, lookup), variable.origin});
}

} // namespace

std::vector<TrustedVariable> readSystemVariables() {
    std::vector<TrustedVariable> variables;
    addSystemVariables(variables);
    addMachineVariables(variables);
    return variables;
}

} // namespace launcher
