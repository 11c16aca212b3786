#include "jre/RuntimeRegistry.h"
#include "base/Handles.win32.h"
#include "base/Wide.win32.h"
#include "jre/Bitness.h"

namespace launcher {

namespace {

class WindowsRuntimeRegistry : public RuntimeRegistry {
public:
    explicit WindowsRuntimeRegistry(RegistryView view)
        : wow32_(view == RegistryView::Wow32), access_(KEY_READ | (wow32_ ? KEY_WOW64_32KEY : 0)) {}

    TextList subkeyNames(size_t root) override {
        TextList names;
        if (!isRootInView(registryRoot(root), wow32_) || !hasVendorKey(root)) return names;
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
        std::u16string path(r.key);
        path.append(name);
        path.append(r.homeKey);
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

    std::vector<FolderRuntime> folderRuntimes() override {
        return scanRuntimeFolders(presentFolders(windowsRuntimeFolders(readFolderEnvironment(), wow32_)));
    }

    // A 32-bit runtime unpacked where 64-bit ones live would fail to load;
    // the 32-bit Program Files is taken at its word, as the 32-bit registry
    // view is.
    bool suitsView(std::u16string_view libraryPath) override { return wow32_ || !isX86Library(libraryPath); }

private:
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
    REGSAM access_;
    std::vector<VendorKey> vendorKeys_;
};

} // namespace

std::unique_ptr<RuntimeRegistry> openRuntimeRegistry(RegistryView view) {
    return std::make_unique<WindowsRuntimeRegistry>(view);
}

} // namespace launcher
