#include "install/ByteSource.h"
#include "install/FileSource.win32.h"

#include "base/Handles.win32.h"
#include "install/LongPath.win32.h"

namespace launcher {

namespace {

class WindowsFileSource final : public ByteSource {
public:
    WindowsFileSource(UniqueFileHandle file, uint64_t size) : file_(std::move(file)), size_(size) {}
    uint64_t size() const override { return size_; }

    bool read(uint64_t offset, std::span<uint8_t> into) override {
        size_t done = 0;
        while (done < into.size()) {
            OVERLAPPED at{};
            const uint64_t position = offset + done;
            at.Offset = static_cast<DWORD>(position);
            at.OffsetHigh = static_cast<DWORD>(position >> 32);
            DWORD piece = static_cast<DWORD>(std::min<size_t>(into.size() - done, 1u << 30));
            DWORD got = 0;
            if (!ReadFile(file_.get(), into.data() + done, piece, &got, &at) || got == 0) return false;
            done += got;
        }
        return true;
    }

private:
    UniqueFileHandle file_;
    uint64_t size_;
};

} // namespace

std::unique_ptr<ByteSource> fileSource(UniqueFileHandle file, uint32_t& error) {
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) {
        error = file ? GetLastError() : ERROR_INVALID_HANDLE;
        return nullptr;
    }
    return std::make_unique<WindowsFileSource>(std::move(file), static_cast<uint64_t>(size.QuadPart));
}

std::unique_ptr<ByteSource> openFileSource(const std::u16string& path, uint32_t& error) {
    UniqueFileHandle file(CreateFileW(reinterpret_cast<const wchar_t*>(systemPath(path).c_str()), GENERIC_READ,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = GetLastError();
        return nullptr;
    }
    return fileSource(std::move(file), error);
}

} // namespace launcher
