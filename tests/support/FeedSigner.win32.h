#pragma once
// A vendor's feed key made for one test run: an ECDSA P-256 key pair from
// BCrypt, its public half in the text "Runtime Feed Key" takes, and
// signatures in the DER form `openssl dgst -sha256 -sign` writes. The
// Windows suites cannot run openssl, and their feeds name the test's own
// loopback server, so they are signed here, as the vendor would sign them.

#include "base/Bcrypt.win32.h"

#include <string>
#include <string_view>
#include <vector>

namespace launcher::test {

class FeedSigner {
public:
    FeedSigner();
    ~FeedSigner();
    FeedSigner(const FeedSigner&) = delete;
    FeedSigner& operator=(const FeedSigner&) = delete;

    // Whether BCrypt made the key; why not, when it did not.
    bool ready() const { return failure_.empty(); }
    const std::string& failure() const { return failure_; }
    // Base64 of the key's SubjectPublicKeyInfo in DER form.
    std::string publicKeyBase64() const;
    // The DER signature over the feed's exact bytes; empty when BCrypt
    // refused.
    std::string sign(std::string_view feed) const;

private:
    UniqueBcryptAlgorithm algorithm_;
    BCRYPT_KEY_HANDLE key_ = nullptr;
    std::string publicKeyDer_;
    std::string failure_;
};

std::string base64Of(std::string_view bytes);

// One platform's section of a feed.
struct FeedOffer {
    std::string platform = "windows-x64";
    std::string url;
    std::string sha256;
    size_t size = 0;
    std::string version;
};

// A feed as the vendor's tool writes it.
inline std::string feedText(int sequence, const std::string& productCode, const std::vector<FeedOffer>& offers) {
    std::string text = "[Feed]\nSequence=" + std::to_string(sequence) + "\nProduct Code=" + productCode + "\n";
    for (const FeedOffer& offer : offers) {
        text += "\n[" + offer.platform + "]\nURL=" + offer.url + "\nSHA-256=" + offer.sha256 +
                "\nSize=" + std::to_string(offer.size) + "\nVersion=" + offer.version + "\n";
    }
    return text;
}

} // namespace launcher::test
