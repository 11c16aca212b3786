// Feeds arbitrary bytes to the runtime feed's reader with its signature
// check: the strict DER readers of the key and the signature, the system's
// verification behind them, every check of the feed's text, and the state
// file's reader.
//
// Input: one byte of flags; when its lowest bit is set, a length byte and
// that many bytes of key (else the fixed key below); a length byte and that
// many bytes of signature; the rest is the feed.

#include "FuzzCheck.h"
#include "config/RuntimeDownload.h"
#include "update/FeedSignature.h"
#include "update/FeedState.h"
#include "update/FeedVerdict.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

using namespace launcher;

namespace {

// The public key of tests/unit/FeedFixtures.h (kRightKey), which signed
// the seed corpus's feeds.
const uint8_t kKey[] = {
    0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48,
    0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00, 0x04, 0xbd, 0xf7, 0x5a, 0x7d, 0x29, 0x49, 0x9e, 0x80, 0x64,
    0xa6, 0x5e, 0x16, 0x6d, 0xf1, 0xcb, 0xc6, 0xa9, 0xa6, 0xf6, 0xb8, 0x99, 0x1e, 0xa9, 0x84, 0x8d, 0x97, 0xf9,
    0xf3, 0xe6, 0x9f, 0xbd, 0xb2, 0x6e, 0xea, 0x81, 0xbf, 0x14, 0x05, 0x44, 0xab, 0x4a, 0xff, 0x94, 0x9f, 0x6e,
    0xf2, 0x68, 0xc3, 0xf3, 0xc2, 0x0b, 0x67, 0xd1, 0xf0, 0xed, 0xdf, 0xe8, 0x62, 0x48, 0x59, 0x15, 0x03, 0xae,
    0xb8,
};

// Takes a length byte and that many bytes from the front of the input.
ByteView takePart(ByteView& input) {
    if (input.empty()) return {};
    const size_t length = std::min<size_t>(input[0], input.size() - 1);
    const ByteView part = input.subspan(1, length);
    input = input.subspan(1 + length);
    return part;
}

// The one DER encoding of a positive number.
void appendInteger(std::vector<uint8_t>& out, const P256Number& number) {
    size_t first = 0;
    while (first + 1 < number.size() && number[first] == 0) ++first;
    const bool pad = number[first] & 0x80;
    out.push_back(0x02);
    out.push_back(static_cast<uint8_t>(number.size() - first + pad));
    if (pad) out.push_back(0);
    out.insert(out.end(), number.begin() + static_cast<std::ptrdiff_t>(first), number.end());
}

std::vector<uint8_t> encodeSignature(const P256Signature& signature) {
    std::vector<uint8_t> content;
    appendInteger(content, signature.r);
    appendInteger(content, signature.s);
    std::vector<uint8_t> der = {0x30, static_cast<uint8_t>(content.size())};
    der.insert(der.end(), content.begin(), content.end());
    return der;
}

bool equalBytes(ByteView a, ByteView b) { return std::equal(a.begin(), a.end(), b.begin(), b.end()); }

// Strict readers take exactly one encoding: what they accept is what the
// canonical encoder writes back.
void checkReaders(ByteView key, ByteView signature) {
    if (std::optional<P256Signature> parsed = parseP256Signature(signature)) {
        FUZZ_CHECK(equalBytes(encodeSignature(*parsed), signature));
    }
    if (std::optional<P256Point> point = parseP256PublicKey(key)) {
        std::vector<uint8_t> der(kKey, kKey + 27);
        der.insert(der.end(), point->x.begin(), point->x.end());
        der.insert(der.end(), point->y.begin(), point->y.end());
        FUZZ_CHECK(equalBytes(der, key));
    }
}

void checkAccepted(const FeedVerdict& verdict, const FeedExpectations& expected) {
    const FeedEntry& entry = verdict.entry;
    FUZZ_CHECK(isRuntimeAddress(entry.url));
    FUZZ_CHECK(normalizedSha256(entry.sha256) == entry.sha256);
    FUZZ_CHECK(entry.size > 0);
    FUZZ_CHECK(isWithinBounds(entry.version, expected.minimumVersion, expected.maximumVersion));
    FUZZ_CHECK(compareVersions(entry.version, *expected.floor) >= 0);
    FUZZ_CHECK(verdict.sequence && *verdict.sequence > *expected.highestSequence);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteView input(data, size);
    if (input.empty()) return 0;
    const bool ownKey = input[0] & 1;
    input = input.subspan(1);
    const ByteView key = ownKey ? takePart(input) : ByteView(kKey);
    const ByteView signature = takePart(input);
    const std::string_view feed(reinterpret_cast<const char*>(input.data()), input.size());
    checkReaders(key, signature);

    FeedExpectations expected;
    expected.publicKey = key;
    expected.productCode = u"{11111111-2222-3333-4444-555555555555}";
    expected.highestSequence = 3;
    expected.platform = std::u16string(kFeedPlatformLinuxX64);
    expected.minimumVersion = makeVersion(11, 0, 0, 0);
    expected.maximumVersion = makeVersion(30, kVersionFillHigh, kVersionFillHigh, kVersionFillHigh);
    expected.floor = makeVersion(17, 0, 2, 0);
    const std::string_view signatureText(reinterpret_cast<const char*>(signature.data()), signature.size());
    const FeedVerdict verdict = checkFeed(feed, signatureText, expected);
    FUZZ_CHECK(!verdict.reason.empty());
    FUZZ_CHECK(verdict.reason.find_first_of(u"\r\n") == std::u16string::npos);
    if (verdict.accepted()) {
        FUZZ_CHECK(verifyFeedSignature(asBytes(feed), signature, key).valid());
        checkAccepted(verdict, expected);
    }
    // What passed the signature is what the text's own checks make of it.
    if (verdict.failed != FeedCheck::Signature && verdict.failed != FeedCheck::Size) {
        FUZZ_CHECK(checkFeedText(feed, expected).reason == verdict.reason);
    }
    const FeedVerdict unsigned_ = checkFeedText(feed, expected);
    if (unsigned_.accepted()) checkAccepted(unsigned_, expected);

    const FeedState state = parseFeedState(feed);
    FUZZ_CHECK(parseFeedState(formatFeedState(state)) == state);
    return 0;
}
