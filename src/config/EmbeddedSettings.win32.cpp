#include "config/EmbeddedSettings.h"

#include "base/UniqueResource.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstring>

namespace launcher {

namespace {

HRSRC findOwnResource(HMODULE module, uint16_t id, LANGID language) {
    return FindResourceExW(module, RT_RCDATA, MAKEINTRESOURCEW(id), language);
}

// The user's language only counts when it has a resource of its own: the
// lookup falls back to the neutral resource by itself, and then the primary
// language with its default sublanguage comes first.
HRSRC findLocalisedResource(HMODULE module, uint16_t id) {
    HRSRC neutral = findOwnResource(module, id, 0);
    LANGID userLanguage = GetUserDefaultLangID();
    HRSRC user = findOwnResource(module, id, userLanguage);
    if (user && user != neutral) return user;
    HRSRC primary = findOwnResource(module, id, static_cast<LANGID>((userLanguage & 0x3FF) | 0x400));
    return primary ? primary : neutral;
}

void releaseContext(HCRYPTPROV provider) { CryptReleaseContext(provider, 0); }
void destroyHash(HCRYPTHASH hash) { CryptDestroyHash(hash); }
void destroyKey(HCRYPTKEY key) { CryptDestroyKey(key); }

using UniqueProvider = UniqueResource<NullEmptyTraits<HCRYPTPROV, releaseContext>>;
using UniqueHash = UniqueResource<NullEmptyTraits<HCRYPTHASH, destroyHash>>;
using UniqueCryptKey = UniqueResource<NullEmptyTraits<HCRYPTKEY, destroyKey>>;

UniqueCryptKey deriveKey(HCRYPTPROV provider, std::u16string_view keyText) {
    UniqueHash hash;
    HCRYPTHASH rawHash = 0;
    if (!CryptCreateHash(provider, CALG_MD5, 0, 0, &rawHash)) return {};
    hash.reset(rawHash);
    std::string narrow = keyTextBytes(keyText);
    if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(narrow.data()), static_cast<DWORD>(narrow.size()), 0)) return {};
    HCRYPTKEY rawKey = 0;
    if (!CryptDeriveKey(provider, CALG_RC4, hash.get(), 0, &rawKey)) return {};
    return UniqueCryptKey(rawKey);
}

} // namespace

Bytes loadOwnResource(uint16_t id) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = findLocalisedResource(module, id);
    if (!resource) return {};
    HGLOBAL loaded = LoadResource(module, resource);
    DWORD size = SizeofResource(module, resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes || size == 0) return {};
    Bytes copy(size);
    std::memcpy(copy.data(), bytes, size);
    return copy;
}

Bytes decipher(std::u16string_view keyText, Bytes data) {
    // Nothing to decipher (no such resource): the cryptographic provider,
    // and the libraries it loads, would cost a start without embedded
    // settings more than all the rest of its own work.
    if (data.empty()) return data;
    HCRYPTPROV rawProvider = 0;
    if (!CryptAcquireContextW(&rawProvider, nullptr, MS_DEF_PROV_W, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return {};
    UniqueProvider provider(rawProvider);
    UniqueCryptKey key = deriveKey(provider.get(), keyText);
    if (!key) return {};
    DWORD length = static_cast<DWORD>(data.size());
    if (!CryptDecrypt(key.get(), 0, TRUE, 0, data.data(), &length)) return {};
    data.resize(length);
    return data;
}

} // namespace launcher
