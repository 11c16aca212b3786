#include "update/FeedSignature.posix.h"

#include "base/LibrarySymbol.posix.h"
#include "base/Text.h"
#include "base/UniqueResource.h"

#include <dlfcn.h>

namespace launcher {

namespace {

// The few parts of libcrypto's interface that a check uses, declared here
// rather than taken from OpenSSL's headers: the library is loaded when a
// feed is checked, so the launcher runs where it is missing, and only the
// feed says so. The types are opaque to the caller in every version.
using EvpPkey = void;
using EvpMdContext = void;
using EvpMd = void;

struct Libcrypto {
    void* library = nullptr;
    std::u16string loadError;
    EvpPkey* (*readPublicKey)(EvpPkey**, const unsigned char**, long) = nullptr;
    void (*freeKey)(EvpPkey*) = nullptr;
    EvpMdContext* (*newContext)() = nullptr;
    void (*freeContext)(EvpMdContext*) = nullptr;
    const EvpMd* (*sha256)() = nullptr;
    int (*verifyInit)(EvpMdContext*, void**, const EvpMd*, void*, EvpPkey*) = nullptr;
    int (*verify)(EvpMdContext*, const unsigned char*, size_t, const unsigned char*, size_t) = nullptr;
    // Failures leave entries in the thread's error queue; they are cleared
    // so that a background thread's queue does not grow with every feed.
    void (*clearErrors)() = nullptr;
};

bool bindAll(void* library, Libcrypto& api) {
    return bindLibrarySymbol(library, "d2i_PUBKEY", api.readPublicKey) &&
           bindLibrarySymbol(library, "EVP_PKEY_free", api.freeKey) &&
           bindLibrarySymbol(library, "EVP_MD_CTX_new", api.newContext) &&
           bindLibrarySymbol(library, "EVP_MD_CTX_free", api.freeContext) &&
           bindLibrarySymbol(library, "EVP_sha256", api.sha256) &&
           bindLibrarySymbol(library, "EVP_DigestVerifyInit", api.verifyInit) &&
           bindLibrarySymbol(library, "EVP_DigestVerify", api.verify) &&
           bindLibrarySymbol(library, "ERR_clear_error", api.clearErrors);
}

// The first of names that loads and has every function; a library without
// them is let go again.
Libcrypto loadLibcrypto(std::span<const char* const> names) {
    Libcrypto api;
    std::u16string reasons;
    for (const char* name : names) {
        if (!reasons.empty()) reasons.append(u"; ");
        void* library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char* error = dlerror();
            reasons.append(fromUtf8(error ? error : name));
            continue;
        }
        if (bindAll(library, api)) {
            api.library = library;
            return api;
        }
        dlclose(library);
        api = {};
        reasons.append(fromUtf8(name) + u" lacks the functions a signature check needs");
    }
    api.loadError = u"no usable libcrypto (" + reasons + u")";
    return api;
}

// Loaded once, on the first check, for the process's life.
const Libcrypto& systemLibcrypto() {
    static const Libcrypto api = loadLibcrypto(kLibcryptoNames);
    return api;
}

SignatureVerdict verifyWith(const Libcrypto& api, ByteView feed, ByteView derSignature, ByteView publicKeyDer) {
    if (!api.library) return {SignatureOutcome::Unavailable, u"no signature check: " + api.loadError};
    ScopeExit clearErrors([&] { api.clearErrors(); });
    const unsigned char* keyBytes = publicKeyDer.data();
    EvpPkey* key = api.readPublicKey(nullptr, &keyBytes, static_cast<long>(publicKeyDer.size()));
    if (!key) return {SignatureOutcome::BadKey, u"libcrypto refuses the configured key: no point of the P-256 curve"};
    ScopeExit freeKey([&] { api.freeKey(key); });
    EvpMdContext* context = api.newContext();
    if (!context) return {SignatureOutcome::Unavailable, u"libcrypto has no memory for a signature check"};
    ScopeExit freeContext([&] { api.freeContext(context); });
    if (api.verifyInit(context, nullptr, api.sha256(), nullptr, key) != 1) {
        return {SignatureOutcome::Unavailable, u"libcrypto cannot check ECDSA signatures over SHA-256"};
    }
    // An empty feed may come as a null pointer, which libcrypto need not take.
    static const unsigned char kNothing = 0;
    const int result = api.verify(context, derSignature.data(), derSignature.size(),
                                  feed.empty() ? &kNothing : feed.data(), feed.size());
    if (result != 1) return detail::signatureMismatch();
    return {SignatureOutcome::Valid, {}};
}

} // namespace

namespace detail {

SignatureVerdict verifyP256(ByteView feed, ByteView derSignature, ByteView publicKeyDer, const ParsedSignatureInput&) {
    return verifyWith(systemLibcrypto(), feed, derSignature, publicKeyDer);
}

} // namespace detail

SignatureVerdict verifyFeedSignatureWith(std::span<const char* const> names, ByteView feed, ByteView derSignature,
                                         ByteView publicKeyDer) {
    detail::ParsedSignatureInput parsed;
    SignatureVerdict verdict = detail::parseSignatureInput(derSignature, publicKeyDer, parsed);
    if (!verdict.valid()) return verdict;
    const Libcrypto api = loadLibcrypto(names);
    ScopeExit close([&] {
        if (api.library) dlclose(api.library);
    });
    return verifyWith(api, feed, derSignature, publicKeyDer);
}

} // namespace launcher
