// The message that says which runtime to install.

#include "jre/NotFoundMessage.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

VersionNumber low(std::u16string_view text) {
    return text == u"any" ? makeVersion(0, 0, 0, 0) : parseVersion(text, kVersionFillLow).version;
}
VersionNumber high(std::u16string_view text) {
    return text == u"any" ? makeVersion(65535, 65535, 65535, 65535) : parseVersion(text, kVersionFillHigh).version;
}

TEST(NotFoundMessage, PhraseFollowsTheBounds) {
    struct Case {
        const char16_t* minimum;
        const char16_t* maximum;
        const char16_t* phrase;
    } cases[] = {
        {u"any", u"any", u"latest version"},
        {u"1.8", u"any", u"minimum version 1.8"},
        {u"1.8.0_301", u"any", u"minimum version 1.8.0.301"},
        {u"11", u"17.0.5", u"version between 11.0 and 17.0.5"},
        {u"any", u"17", u"maximum version 17.65535"},
        {u"11.0.2", u"11.0.2.0", u"version 11.0.2 is required"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(versionRequirementPhrase(low(c.minimum), high(c.maximum)), c.phrase);
    }
}

TEST(NotFoundMessage, ServerVariantOnlyForTheServerType) {
    const std::u16string plain = u"The Java Runtime Environment (JRE) was not found. Please  download and install a "
                                 u"JRE (minimum version 11.0) from:";
    const std::u16string server = u"The Java Runtime Environment (JRE) was not found. Please  download and install a "
                                  u"JRE with a server JVM (minimum version 11.0) from:";
    EXPECT_EQ(runtimeNotFoundMessage(JvmTypeCode::Any, low(u"11"), high(u"any")), plain);
    EXPECT_EQ(runtimeNotFoundMessage(JvmTypeCode::FavorServer, low(u"11"), high(u"any")), plain);
    EXPECT_EQ(runtimeNotFoundMessage(JvmTypeCode::Server, low(u"11"), high(u"any")), server);
}

} // namespace
} // namespace launcher
