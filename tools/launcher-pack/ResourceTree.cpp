#include "ResourceTree.h"

#include <algorithm>
#include <set>

namespace launcher::pack {

namespace {

constexpr uint32_t kHighBit = 0x80000000u;
// Resource data copied out of a forged file could otherwise multiply.
constexpr size_t kMaxResourceBytes = size_t{1} << 30;

class TreeReader {
public:
    TreeReader(const PeImage& image, size_t base, size_t limit)
        : image_(image), view_(image.file, "the resource directory points outside the file"), base_(base),
          limit_(limit) {}

    void readDirectory(uint32_t offset, int level, Resource path, ResourceList& out) {
        if (!visited_.insert(offset).second) throw PackError("the resource directory loops");
        size_t at = checked(offset, 16);
        size_t count = size_t{view_.u16(at + 12)} + view_.u16(at + 14);
        checked(offset, 16 + count * 8);
        for (size_t i = 0; i < count; ++i) {
            size_t entry = at + 16 + i * 8;
            uint32_t name = view_.u32(entry);
            uint32_t target = view_.u32(entry + 4);
            ResourceName id = readName(name);
            if (level == 0) path.type = id;
            else if (level == 1) path.name = id;
            else path.language = id.id;
            bool isDirectory = (target & kHighBit) != 0;
            if (isDirectory != (level < 2)) throw PackError("the resource directory is not three levels deep");
            if (isDirectory) readDirectory(target & ~kHighBit, level + 1, path, out);
            else out.push_back(readData(target, path));
        }
    }

private:
    size_t checked(uint32_t offset, size_t length) const {
        if (offset > limit_ - base_ || length > limit_ - base_ - offset) {
            throw PackError("the resource directory points outside its section");
        }
        return base_ + offset;
    }
    ResourceName readName(uint32_t name) const {
        if ((name & kHighBit) == 0) {
            if (name > 0xFFFF) throw PackError("a resource number is larger than 65535");
            return {static_cast<uint16_t>(name), {}};
        }
        size_t at = checked(name & ~kHighBit, 2);
        size_t length = view_.u16(at);
        checked((name & ~kHighBit) + 2, length * 2);
        ResourceName result;
        for (size_t i = 0; i < length; ++i) result.text.push_back(static_cast<char16_t>(view_.u16(at + 2 + i * 2)));
        if (result.text.empty()) throw PackError("a resource has an empty name");
        return result;
    }
    Resource readData(uint32_t offset, Resource resource) {
        if (!dataEntries_.insert(offset).second) throw PackError("a resource data entry is used twice");
        size_t at = checked(offset, 16);
        uint32_t rva = view_.u32(at);
        uint32_t size = view_.u32(at + 4);
        resource.codePage = view_.u32(at + 8);
        total_ += size;
        if (total_ > kMaxResourceBytes) throw PackError("the resources are larger than 1 GiB");
        resource.data = view_.slice(image_.fileOffset(rva, size), size);
        return resource;
    }

    const PeImage& image_;
    ByteView view_;
    size_t base_;
    size_t limit_;
    std::set<uint32_t> visited_;
    std::set<uint32_t> dataEntries_;
    size_t total_ = 0;
};

std::u16string upper(std::u16string_view text) {
    std::u16string result(text);
    for (char16_t& c : result) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    }
    return result;
}

// The directory as nested groups of the sorted list.
struct NameGroup {
    ResourceName name;
    std::vector<const Resource*> leaves;
};
struct TypeGroup {
    ResourceName type;
    std::vector<NameGroup> names;
};

std::vector<TypeGroup> groupSorted(const ResourceList& resources) {
    std::vector<TypeGroup> types;
    for (const Resource& r : resources) {
        if (types.empty() || !(types.back().type == r.type)) types.push_back({r.type, {}});
        auto& names = types.back().names;
        if (names.empty() || !(names.back().name == r.name)) names.push_back({r.name, {}});
        names.back().leaves.push_back(&r);
    }
    return types;
}

class SectionWriter {
public:
    explicit SectionWriter(uint32_t rva) : rva_(rva) {}

    Bytes write(const std::vector<TypeGroup>& types) {
        size_t leafCount = 0;
        size_t offset = directorySize(types.size());
        for (const TypeGroup& t : types) offset += directorySize(t.names.size());
        for (const TypeGroup& t : types) {
            for (const NameGroup& n : t.names) {
                offset += directorySize(n.leaves.size());
                leafCount += n.leaves.size();
            }
        }
        dataEntries_ = offset;
        strings_ = offset + leafCount * 16;
        out_.assign(strings_, 0);
        writeTree(types);
        padTo(out_, 8);
        writeData();
        padTo(out_, 8);
        if (out_.size() > 0x7FFFFFFF) throw PackError("the resources are larger than 2 GiB");
        return std::move(out_);
    }

private:
    static size_t directorySize(size_t entries) { return 16 + entries * 8; }

    void writeTree(const std::vector<TypeGroup>& types) {
        size_t next = directorySize(types.size());
        std::vector<ResourceName> typeNames;
        for (const TypeGroup& t : types) typeNames.push_back(t.type);
        std::vector<size_t> typeDirs;
        for (const TypeGroup& t : types) {
            typeDirs.push_back(next);
            next += directorySize(t.names.size());
        }
        writeDirectory(0, typeNames, typeDirs, true);
        for (size_t i = 0; i < types.size(); ++i) {
            std::vector<ResourceName> names;
            std::vector<size_t> nameDirs;
            for (const NameGroup& n : types[i].names) {
                names.push_back(n.name);
                nameDirs.push_back(next);
                next += directorySize(n.leaves.size());
            }
            writeDirectory(typeDirs[i], names, nameDirs, true);
            for (size_t j = 0; j < types[i].names.size(); ++j) writeLeaves(nameDirs[j], types[i].names[j].leaves);
        }
    }
    void writeDirectory(size_t at, const std::vector<ResourceName>& names, const std::vector<size_t>& targets,
                        bool subdirectories) {
        if (names.size() > 0xFFFF) throw PackError("more than 65535 resources of one kind");
        auto named = std::count_if(names.begin(), names.end(), [](const ResourceName& n) { return !n.text.empty(); });
        putU16(out_, at + 12, static_cast<uint16_t>(named));
        putU16(out_, at + 14, static_cast<uint16_t>(names.size() - static_cast<size_t>(named)));
        for (size_t i = 0; i < names.size(); ++i) {
            size_t entry = at + 16 + i * 8;
            putU32(out_, entry, names[i].text.empty() ? names[i].id : kHighBit | writeString(names[i].text));
            putU32(out_, entry + 4, static_cast<uint32_t>(targets[i]) | (subdirectories ? kHighBit : 0));
        }
    }
    void writeLeaves(size_t at, const std::vector<const Resource*>& leaves) {
        std::vector<ResourceName> languages;
        std::vector<size_t> entries;
        for (const Resource* leaf : leaves) {
            languages.push_back({leaf->language, {}});
            entries.push_back(dataEntries_ + pending_.size() * 16);
            pending_.push_back(leaf);
        }
        writeDirectory(at, languages, entries, false);
    }
    uint32_t writeString(const std::u16string& text) {
        auto offset = static_cast<uint32_t>(out_.size());
        appendU16(out_, static_cast<uint16_t>(text.size()));
        for (char16_t c : text) appendU16(out_, c);
        return offset;
    }
    void writeData() {
        for (size_t i = 0; i < pending_.size(); ++i) {
            padTo(out_, 8);
            size_t entry = dataEntries_ + i * 16;
            putU32(out_, entry, rva_ + static_cast<uint32_t>(out_.size()));
            putU32(out_, entry + 4, static_cast<uint32_t>(pending_[i]->data.size()));
            putU32(out_, entry + 8, pending_[i]->codePage);
            out_.insert(out_.end(), pending_[i]->data.begin(), pending_[i]->data.end());
        }
    }

    uint32_t rva_;
    size_t dataEntries_ = 0;
    size_t strings_ = 0;
    Bytes out_;
    std::vector<const Resource*> pending_;
};

} // namespace

bool resourceNameLess(const ResourceName& a, const ResourceName& b) {
    if (a.text.empty() != b.text.empty()) return !a.text.empty();
    if (a.text.empty()) return a.id < b.id;
    return upper(a.text) < upper(b.text);
}

ResourceList readResources(const PeImage& image) {
    DataDirectory directory = image.directory(kResourceDirectory);
    ResourceList resources;
    if (directory.rva == 0) return resources;
    const PeSection* section = image.sectionAt(directory.rva);
    if (!section) throw PackError("the resource directory lies in no section");
    size_t base = image.fileOffset(directory.rva, 16);
    size_t limit = size_t{section->rawPointer} + section->rawSize;
    TreeReader(image, base, limit).readDirectory(0, 0, {}, resources);
    return resources;
}

Bytes buildResourceSection(ResourceList resources, uint32_t sectionRva) {
    std::stable_sort(resources.begin(), resources.end(), [](const Resource& a, const Resource& b) {
        if (!(a.type == b.type)) return resourceNameLess(a.type, b.type);
        if (!(a.name == b.name)) return resourceNameLess(a.name, b.name);
        return a.language < b.language;
    });
    return SectionWriter(sectionRva).write(groupSorted(resources));
}

} // namespace launcher::pack
