#include "instance/ObjectSecurity.win32.h"
#include "base/Handles.win32.h"

#include <aclapi.h>
#include <vector>

namespace launcher {

namespace {

// A token information block, in a buffer of the size the system asks for.
std::vector<uint8_t> tokenInformation(TOKEN_INFORMATION_CLASS kind) {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
    UniqueHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.get(), kind, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<uint8_t> buffer(size);
    if (!GetTokenInformation(token.get(), kind, buffer.data(), size, &size)) return {};
    return buffer;
}

uint32_t lastSubAuthority(PSID sid) {
    if (!sid || !IsValidSid(sid) || *GetSidSubAuthorityCount(sid) == 0) return kIntegrityUntrusted;
    return *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1u);
}

bool isCurrentUser(PSID owner) {
    std::vector<uint8_t> user = tokenInformation(TokenUser);
    if (user.size() >= sizeof(TOKEN_USER) && EqualSid(owner, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid)) {
        return true;
    }
    // An elevated token gives its new objects another owner (the
    // administrators' group): objects of this user's other launches.
    std::vector<uint8_t> defaultOwner = tokenInformation(TokenOwner);
    return defaultOwner.size() >= sizeof(TOKEN_OWNER) &&
           EqualSid(owner, reinterpret_cast<TOKEN_OWNER*>(defaultOwner.data())->Owner);
}

// The label's level from the object's system ACL, when it holds one.
std::optional<uint32_t> labelOf(PACL sacl) {
    if (!sacl) return std::nullopt;
    for (DWORD i = 0; i < sacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(sacl, i, &ace)) continue;
        if (static_cast<ACE_HEADER*>(ace)->AceType != SYSTEM_MANDATORY_LABEL_ACE_TYPE) continue;
        auto* label = static_cast<SYSTEM_MANDATORY_LABEL_ACE*>(ace);
        return lastSubAuthority(reinterpret_cast<PSID>(&label->SidStart));
    }
    return std::nullopt;
}

} // namespace

std::optional<ObjectSecurity> readObjectSecurity(HANDLE object) {
    PSID owner = nullptr;
    PACL sacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION, &owner,
                        nullptr, nullptr, &sacl, &descriptor) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    ScopeExit release([&] { LocalFree(descriptor); });
    ObjectSecurity security;
    if (!owner) {
        security.owner = ObjectOwner::Absent;
    } else {
        security.owner = isCurrentUser(owner) ? ObjectOwner::CurrentUser : ObjectOwner::Other;
    }
    security.integrity = labelOf(sacl);
    return security;
}

uint32_t processIntegrity() {
    std::vector<uint8_t> level = tokenInformation(TokenIntegrityLevel);
    if (level.size() < sizeof(TOKEN_MANDATORY_LABEL)) return kIntegrityMedium;
    return lastSubAuthority(reinterpret_cast<TOKEN_MANDATORY_LABEL*>(level.data())->Label.Sid);
}

bool threadOfProcess(DWORD thread, DWORD process) {
    UniqueHandle handle(OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, thread));
    return handle && GetProcessIdOfThread(handle.get()) == process;
}

} // namespace launcher
