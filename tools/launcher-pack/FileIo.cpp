#include "FileIo.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

namespace launcher::pack {

namespace {

PackError fileError(const fs::path& file, const std::string& problem, const std::error_code& code = {}) {
    return PackError(displayPath(file) + ": " + problem + (code ? " (" + code.message() + ")" : ""));
}

void checkMergeable(const fs::path& from, const fs::path& to) {
    for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
        fs::path target = to / entry.path().filename();
        std::error_code error;
        fs::file_status status = fs::symlink_status(target, error);
        if (!fs::exists(status)) continue;
        bool folder = entry.is_directory() && !entry.is_symlink();
        if (folder != fs::is_directory(status)) throw fileError(target, folder ? "is a file, not a folder" : "is a folder");
        if (folder) checkMergeable(entry.path(), target);
    }
}

void merge(const fs::path& from, const fs::path& to) {
    for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
        fs::path target = to / entry.path().filename();
        std::error_code error;
        if (entry.is_directory() && !entry.is_symlink() && fs::is_directory(fs::symlink_status(target, error))) {
            merge(entry.path(), target);
            continue;
        }
        fs::rename(entry.path(), target, error);
        if (error) throw fileError(target, "cannot be written", error);
    }
}

} // namespace

fs::path pathFromUtf8(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

std::string displayPath(const fs::path& path) {
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string readWholeFile(const fs::path& file) {
    std::error_code error;
    if (fs::is_directory(file, error)) throw fileError(file, "is a folder, not a file");
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in) throw fileError(file, "cannot be read (missing or not readable)");
    std::string bytes(static_cast<size_t>(std::max<std::streamoff>(in.tellg(), 0)), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    // A file that grew meanwhile is read to its end; one that shrank fails.
    if (!in) throw fileError(file, "cannot be read");
    bytes.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return bytes;
}

StagedFolder::StagedFolder(const fs::path& destination) : destination_(fs::absolute(destination)) {
    fs::path parent = destination_.parent_path();
    std::error_code error;
    if (!fs::is_directory(parent, error)) throw fileError(parent, "is not a folder");
    std::random_device random;
    for (int attempt = 0; attempt < 16 && staging_.empty(); ++attempt) {
        std::string name = ".";
        name.append(displayPath(destination_.filename())).append(".pack-").append(std::to_string(random()));
        fs::path candidate = parent / pathFromUtf8(name);
        if (fs::create_directory(candidate, error)) staging_ = candidate;
    }
    if (staging_.empty()) throw fileError(parent, "cannot be written", error);
}

StagedFolder::~StagedFolder() {
    std::error_code ignored;
    if (!staging_.empty()) fs::remove_all(staging_, ignored);
}

void StagedFolder::writeFile(const fs::path& relative, std::string_view bytes) {
    fs::path file = staging_ / relative;
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw fileError(destination_, "cannot be written (disk full?)");
}

void StagedFolder::copyFolder(const fs::path& source, const fs::path& relative) {
    std::error_code error;
    if (!fs::is_directory(source, error)) throw fileError(source, "is not a folder");
    fs::path target = relative.empty() ? staging_ : staging_ / relative;
    fs::create_directories(target, error);
    if (error) throw fileError(destination_, "cannot be written", error);
    // Walked by hand: links are copied as links, never followed into loops.
    fs::recursive_directory_iterator walk(source, error), end;
    for (; !error && walk != end; walk.increment(error)) {
        fs::path to = target / walk->path().lexically_relative(source);
        if (walk->is_symlink()) fs::copy_symlink(walk->path(), to, error);
        else if (walk->is_directory()) fs::create_directory(to, error);
        else fs::copy_file(walk->path(), to, fs::copy_options::overwrite_existing, error);
        if (error) throw fileError(walk->path(), "cannot be copied", error);
    }
    if (error) throw fileError(source, "cannot be read", error);
}

void StagedFolder::commit() {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(destination_, error))) {
        fs::rename(staging_, destination_, error);
        if (error) throw fileError(destination_, "cannot be created", error);
        staging_.clear();
        return;
    }
    if (!fs::is_directory(destination_, error)) throw fileError(destination_, "is a file, not a folder");
    checkMergeable(staging_, destination_);
    merge(staging_, destination_);
}

} // namespace launcher::pack
