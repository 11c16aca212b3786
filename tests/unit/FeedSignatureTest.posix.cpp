// Linux checks a feed's signature with the system's libcrypto, loaded when
// needed: where it is missing, or is not what its name says, the check is
// refused in words, and the launcher goes on.

#include "FeedFixtures.h"
#include "base/Text.h"
#include "update/FeedSignature.posix.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

SignatureVerdict verifyWithLibraries(std::initializer_list<const char*> names) {
    const std::vector<uint8_t> key = test::fixtureBytes(test::kRightKey);
    const std::vector<uint8_t> signature = test::fixtureBytes(test::kSignature);
    const std::vector<const char*> list(names);
    return verifyFeedSignatureWith(list, asBytes(test::kSignedFeed), signature, key);
}

TEST(FeedSignatureLibcrypto, AMissingLibraryIsRefusedInWords) {
    const SignatureVerdict verdict = verifyWithLibraries({"libcrypto-missing.so.9"});
    EXPECT_EQ(verdict.outcome, SignatureOutcome::Unavailable);
    EXPECT_NE(verdict.reason.find(u"libcrypto-missing.so.9"), std::u16string::npos) << toUtf8(verdict.reason);
}

TEST(FeedSignatureLibcrypto, ALibraryWithoutTheFunctionsIsLetGo) {
    const SignatureVerdict verdict = verifyWithLibraries({"libz.so.1"});
    EXPECT_EQ(verdict.outcome, SignatureOutcome::Unavailable);
    EXPECT_NE(verdict.reason.find(u"libz.so.1 lacks"), std::u16string::npos) << toUtf8(verdict.reason);
}

TEST(FeedSignatureLibcrypto, TheNextNameIsTriedWhenOneIsMissing) {
    EXPECT_TRUE(verifyWithLibraries({"libcrypto-missing.so.9", "libz.so.1", kLibcryptoNames[0]}).valid());
}

} // namespace
} // namespace launcher
