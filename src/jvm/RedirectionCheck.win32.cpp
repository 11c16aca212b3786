#include "jvm/RedirectionCheck.h"
#include "base/FileFinder.h"
#include "base/Handles.win32.h"
#include "base/Wide.win32.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <memory>

namespace launcher {

namespace {

// NT SERVICE\TrustedInstaller, the owner of the system's own files.
constexpr wchar_t kTrustedInstaller[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

struct Trusted {
    std::vector<BYTE> user; // this process's user
    std::vector<BYTE> trustedInstaller;
};

std::vector<BYTE> processUser() {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return {};
    UniqueHandle token(opened);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
    PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    std::vector<BYTE> copy(GetLengthSid(sid));
    CopySid(static_cast<DWORD>(copy.size()), copy.data(), sid);
    return copy;
}

struct LocalMemoryFree {
    void operator()(void* memory) const { LocalFree(memory); }
};
using LocalMemory = std::unique_ptr<void, LocalMemoryFree>;

std::vector<BYTE> sidFromText(const wchar_t* text) {
    PSID sid = nullptr;
    if (!ConvertStringSidToSidW(text, &sid)) return {};
    LocalMemory owned(sid);
    return std::vector<BYTE>(static_cast<const BYTE*>(sid), static_cast<const BYTE*>(sid) + GetLengthSid(sid));
}

bool same(PSID sid, std::vector<BYTE>& other) { return !other.empty() && EqualSid(sid, other.data()); }

// The administrators, the system, the system's installer and this
// process's own user: everyone else is other users.
bool trusted(PSID sid, Trusted& trust) {
    return IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid) ||
           same(sid, trust.trustedInstaller) || same(sid, trust.user);
}

constexpr ACCESS_MASK kReplaceRights = DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL | GENERIC_WRITE;
constexpr ACCESS_MASK kFolderReplaceRights = kReplaceRights | FILE_DELETE_CHILD;
constexpr ACCESS_MASK kFolderAddRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY;
constexpr ACCESS_MASK kFileReplaceRights = kReplaceRights | FILE_WRITE_DATA | FILE_APPEND_DATA;

void readSecurity(PathPartFacts& facts, Trusted& trust) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::u16string path = facts.path;
    if (GetNamedSecurityInfoW(wide(path), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        // Unknown rights are no rights to rely on.
        facts.foreignOwner = true;
        return;
    }
    LocalMemory owned(descriptor);
    facts.foreignOwner = owner && !trusted(owner, trust);
    if (!dacl) {
        // No list at all: everyone may do everything.
        facts.othersMayReplace = true;
        facts.othersMayAdd = facts.folder;
    }
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry)) continue;
        auto* header = static_cast<ACE_HEADER*>(entry);
        // Inherit-only entries speak of children yet to be made, not of this.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        PSID sid = &allowed->SidStart;
        if (trusted(sid, trust)) continue;
        const ACCESS_MASK mask = allowed->Mask;
        if (facts.folder) {
            if (mask & kFolderReplaceRights) facts.othersMayReplace = true;
            if (mask & (kFolderAddRights | GENERIC_ALL | GENERIC_WRITE)) facts.othersMayAdd = true;
        } else if (mask & kFileReplaceRights) {
            facts.othersMayReplace = true;
        }
    }
}

// How many names the file has; 0 when that cannot be read, which the
// caller treats like more than one.
DWORD linkCountOf(const std::u16string& path) {
    // No access rights beyond the attributes: a file locked by its writer
    // still answers.
    UniqueFileHandle file(CreateFileW(wide(path), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file || !GetFileInformationByHandle(file.get(), &information)) return 0;
    return information.nNumberOfLinks;
}

PathPartFacts factsOf(const std::u16string& path, Trusted& trust) {
    PathPartFacts facts;
    facts.path = path;
    const DWORD attributes = GetFileAttributesW(wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES) return facts;
    facts.exists = true;
    facts.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (!facts.folder && !facts.link) facts.hardLinked = linkCountOf(path) != 1;
    readSecurity(facts, trust);
    return facts;
}

} // namespace

std::vector<PathPartFacts> redirectPathFacts(std::u16string_view path) {
    Trusted trust{processUser(), sidFromText(kTrustedInstaller)};
    std::vector<PathPartFacts> facts;
    for (const std::u16string& part : redirectPathParts(fullPathName(path).value_or(std::u16string()))) {
        facts.push_back(factsOf(part, trust));
        if (!facts.back().exists) break;
    }
    return facts;
}

} // namespace launcher
