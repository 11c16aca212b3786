// Objects made with ObjectLabel carry the creator's level, and a later
// launch that opens them reads that level back and trusts them: the kernel
// (here Wine's) takes the descriptor for each kind of object forwarding
// uses.

#include "base/Text.h"
#include "base/Wide.win32.h"
#include "instance/ObjectLabel.win32.h"
#include "instance/ObjectSecurity.win32.h"

#include <gtest/gtest.h>

#include <functional>

namespace launcher {
namespace {

using Create = std::function<HANDLE(SECURITY_ATTRIBUTES*, const wchar_t*)>;

struct LabelledKind {
    const char* kind;
    Create create;
};

TEST(ObjectLabel, EachKindCarriesTheCreatorsLevelToTheNextOpener) {
    const LabelledKind cases[] = {
        {"mutex", [](SECURITY_ATTRIBUTES* a, const wchar_t* n) { return CreateMutexW(a, FALSE, n); }},
        {"event", [](SECURITY_ATTRIBUTES* a, const wchar_t* n) { return CreateEventW(a, FALSE, FALSE, n); }},
        {"mapping",
         [](SECURITY_ATTRIBUTES* a, const wchar_t* n) {
             return CreateFileMappingW(INVALID_HANDLE_VALUE, a, PAGE_READWRITE, 0, 4096, n);
         }},
    };
    const uint32_t own = processIntegrity();
    ObjectLabel label(own);
    ASSERT_TRUE(label) << "the system did not build the descriptor";
    for (const LabelledKind& c : cases) {
        const std::u16string name =
            u"object-label-test-" + fromUtf8(c.kind) + u"-" + toDecimal(static_cast<long long>(GetCurrentProcessId()));
        UniqueHandle created(c.create(label.attributes(), wide(name)));
        ASSERT_TRUE(created) << c.kind << " error " << GetLastError();
        ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << c.kind;
        // A later launch opens it with no attributes of its own.
        UniqueHandle opened(c.create(nullptr, wide(name)));
        ASSERT_TRUE(opened) << c.kind << " error " << GetLastError();
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << c.kind;
        std::optional<ObjectSecurity> security = readObjectSecurity(opened.get());
        ASSERT_TRUE(security.has_value()) << c.kind;
        EXPECT_EQ(security->integrity, std::optional<uint32_t>(own)) << c.kind;
        EXPECT_NE(security->owner, ObjectOwner::Other) << c.kind;
        EXPECT_TRUE(acceptExistingObject(*security, own)) << c.kind;
    }
}

} // namespace
} // namespace launcher
