#include "jre/RuntimeRegistry.h"
#include "base/Handles.win32.h"
#include "base/Wide.win32.h"
#include "jre/Bitness.h"

namespace launcher {

namespace {

class WindowsRuntimeRegistry : public RuntimeRegistry {
public:
    WindowsRuntimeRegistry(RegistryView view, bool includeUserSources)
        : wow32_(view == RegistryView::Wow32), includeUser_(includeUserSources),
          access_(KEY_READ | (wow32_ ? KEY_WOW64_32KEY : 0)) {}

    TextList subkeyNames(size_t root) override {
        TextList names;
        const RegistryRoot& r = registryRoot(root);
        if (!isRootInView(r, wow32_) || (r.hive == Hive::User && !includeUser_) || !hasVendorKey(root)) return names;
        UniqueKey key = open(registryRoot(root), rootKey(root));
        if (!key) return names;
        for (DWORD index = 0;; ++index) {
            wchar_t name[256];
            DWORD length = 256;
            if (RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
                break;
            }
            names.push_back(fromWide(name, length));
        }
        return names;
    }

    std::optional<std::u16string> javaHome(size_t root, std::u16string_view name) override {
        const RegistryRoot& r = registryRoot(root);
        std::optional<std::u16string> home = homeValue(r, name, r.homeKey);
        if (!home && !r.otherHomeKey.empty()) home = homeValue(r, name, r.otherHomeKey);
        return home;
    }

    std::vector<FolderRuntime> folderRuntimes() override {
        const FolderEnvironment env = readFolderEnvironment(includeUser_);
        return scanRuntimeFolders(presentFolders(windowsRuntimeFolders(env, wow32_)), nestedRuntimeHomes(env));
    }

    // The 32-bit view serves the paired 32-bit launcher.
    LibraryWidth viewWidth() const override { return wow32_ ? LibraryWidth::X86 : kProcessWidth; }

private:
    std::optional<std::u16string> homeValue(const RegistryRoot& r, std::u16string_view name, std::u16string_view below) {
        std::u16string path(r.key);
        path.append(name);
        path.append(below);
        UniqueKey key = open(r, path);
        if (!key) return std::nullopt;
        const std::u16string valueName(r.homeValue);
        DWORD size = 0;
        if (RegQueryValueExW(key.get(), wide(valueName), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS || size == 0) {
            return std::nullopt;
        }
        // The value's type is not examined; a value of any size is read
        // whole, and a text without terminator is taken as it is.
        std::u16string data((size + 1) / 2, u'\0');
        DWORD read = static_cast<DWORD>(data.size() * 2);
        if (RegQueryValueExW(key.get(), wide(valueName), nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &read) !=
            ERROR_SUCCESS) {
            return std::nullopt;
        }
        data.resize(read / 2);
        size_t end = data.find(u'\0');
        if (end != std::u16string::npos) data.resize(end);
        return data;
    }

    // Most vendors' keys are missing on any one machine, and several roots
    // share one vendor key: its absence is learnt once.
    bool hasVendorKey(size_t root) {
        const RegistryRoot& r = registryRoot(root);
        if (root < kClassicRootCount) return true;
        size_t cut = r.key.find(u'\\', r.key.find(u'\\') + 1);
        std::u16string vendor(r.key.substr(0, cut));
        for (const auto& [hive, key, present] : vendorKeys_) {
            if (hive == r.hive && key == vendor) return present;
        }
        bool present = static_cast<bool>(open(r, vendor));
        vendorKeys_.push_back({r.hive, vendor, present});
        return present;
    }

    static std::u16string rootKey(size_t root) {
        std::u16string key(registryRoot(root).key);
        if (!key.empty() && key.back() == u'\\') key.pop_back();
        return key;
    }

    UniqueKey open(const RegistryRoot& root, const std::u16string& path) const {
        HKEY hive = root.hive == Hive::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        HKEY key = nullptr;
        if (RegOpenKeyExW(hive, wide(path), 0, access_, &key) != ERROR_SUCCESS) return UniqueKey();
        return UniqueKey(key);
    }

    struct VendorKey {
        Hive hive;
        std::u16string key;
        bool present;
    };

    bool wow32_;
    bool includeUser_;
    REGSAM access_;
    std::vector<VendorKey> vendorKeys_;
};

} // namespace

std::unique_ptr<RuntimeRegistry> openRuntimeRegistry(RegistryView view, bool includeUserSources) {
    return std::make_unique<WindowsRuntimeRegistry>(view, includeUserSources);
}

} // namespace launcher
