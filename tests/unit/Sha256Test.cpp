#include "base/Sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace launcher {
namespace {

struct Sha256Case {
    std::string input;
    const char* digest;
};

const std::string kMessage448 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const std::string kMessage896 =
    "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu";

// NIST's examples, plus lengths around the padding's block boundary.
const Sha256Case kNistCases[] = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {kMessage448, "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {kMessage896, "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
    {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
    {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
    {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
};

std::string digestOf(const std::string& input, size_t pieceLength) {
    Sha256 hash;
    for (size_t at = 0; at < input.size(); at += pieceLength) {
        hash.update(std::string_view(input).substr(at, pieceLength));
    }
    std::optional<Sha256Digest> digest = hash.finish();
    return digest ? sha256Hex(*digest) : "no digest";
}

TEST(Sha256, NistVectorsInOnePiece) {
    for (const Sha256Case& c : kNistCases) {
        EXPECT_EQ(digestOf(c.input, std::max<size_t>(c.input.size(), 1)), c.digest) << "length " << c.input.size();
    }
}

// A download arrives in pieces of whatever size the network gives: pieces
// that straddle the 64-byte blocks must give the same digest.
TEST(Sha256, StreamingInOddPiecesGivesTheSameDigest) {
    for (const Sha256Case& c : kNistCases) {
        for (size_t piece : {1u, 3u, 63u, 65u, 997u}) {
            if (c.input.size() > 100000 && piece < 63) continue;
            EXPECT_EQ(digestOf(c.input, piece), c.digest) << "length " << c.input.size() << " in pieces of " << piece;
        }
    }
}

TEST(Sha256, EmptyPiecesChangeNothing) {
    Sha256 hash;
    hash.update(std::string_view());
    hash.update(std::string_view("ab"));
    hash.update(std::string_view());
    hash.update(std::string_view("c"));
    std::optional<Sha256Digest> digest = hash.finish();
    ASSERT_TRUE(digest);
    EXPECT_EQ(sha256Hex(*digest), kNistCases[1].digest);
}

TEST(Sha256, HexTextReadsBackEitherCaseAndRefusesOtherText) {
    const std::string lower = kNistCases[1].digest;
    std::string upper = lower;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_TRUE(parseSha256Hex(lower));
    EXPECT_EQ(sha256Hex(*parseSha256Hex(lower)), lower);
    ASSERT_TRUE(parseSha256Hex(upper));
    EXPECT_EQ(*parseSha256Hex(upper), *parseSha256Hex(lower));
    for (const std::string& bad : {std::string(), lower.substr(1), lower + "0", "g" + lower.substr(1),
                                   lower.substr(0, 63) + " ", " " + lower.substr(1)}) {
        EXPECT_FALSE(parseSha256Hex(bad)) << bad;
    }
}

} // namespace
} // namespace launcher
