// The runtime search as the trace tells it: every runtime met, with the
// reason it was passed over in the words of the setting that decided it.

#include "base/Platform.h"
#include "base/Trace.h"
#include "jre/RuntimeRegistry.h"
#include "jre/RuntimeTrace.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>

namespace launcher {
namespace {

using test::home;

namespace fs = std::filesystem;

RuntimeCriteria criteria(std::u16string_view minimum, JvmTypeCode type, bool jdk, bool jre, bool favour) {
    RuntimeCriteria c;
    c.minimumVersion = parseVersion(minimum, kVersionFillLow).version;
    c.maximumVersion = makeVersion(65535, 65535, 65535, 65535);
    c.jvmType = type;
    c.jdkKind = jdk;
    c.jreKind = jre;
    c.favourKinds = favour;
    return c;
}

// The cases the search test below does not meet.
TEST(RuntimeTraceWords, RarerRejections) {
    RuntimeCriteria noKind = criteria(u"11", JvmTypeCode::Any, false, false, false);
    EXPECT_NE(searchRejection(RuntimeKind::Jre, RuntimeVendor::Sun, noKind).find(u"names no known kind"), std::u16string::npos);
    RuntimeCriteria bounded = criteria(u"11", JvmTypeCode::Any, true, true, true);
    bounded.maximumVersion = parseVersion(u"17", kVersionFillHigh).version;
    EXPECT_EQ(boundsRejection(parseVersion(u"21.0.1", 0).version, u"21.0.1", bounded),
              u"version 21.0.1 is above \"Maximum Version\" 17");
    EXPECT_EQ(boundsRejection(parseVersion(u"17.0.9", 0).version, u"17.0.9", bounded), u"");
    EXPECT_NE(libraryRejection(home(u"H"), JvmTypeCode::Any).find(u"(client, classic, hotspot, server, jrockit)"),
              std::u16string::npos);
    EXPECT_EQ(flavourOfLibrary(u"jvm"), u"");
}

// Roots holding (name, home) subkeys; homes holding library flavours; a
// folder runtime whose library is a 32-bit one.
struct TracedRegistry : RuntimeRegistry {
    std::map<size_t, std::vector<std::pair<std::u16string, std::u16string>>> roots;
    std::vector<FolderRuntime> folders;
    TextList thirtyTwoBit;
    TextList subkeyNames(size_t root) override {
        TextList names;
        for (auto& [name, h] : roots[root]) names.push_back(name);
        return names;
    }
    std::optional<std::u16string> javaHome(size_t root, std::u16string_view name) override {
        for (auto& [n, h] : roots[root]) {
            if (n == name) return h;
        }
        return std::nullopt;
    }
    std::vector<FolderRuntime> folderRuntimes() override { return folders; }
    std::u16string libraryUnfit(std::u16string_view library) override {
        for (const std::u16string& h : thirtyTwoBit) {
            if (library.rfind(h, 0) == 0) return imageRejection({ImageState::Image, 0x14C, LibraryWidth::X86}, LibraryWidth::X64);
        }
        return {};
    }
};

std::map<std::u16string, TextList>& flavours() {
    static std::map<std::u16string, TextList> homes;
    return homes;
}

JvmLibrary probe(std::u16string_view h, JvmTypeCode type) {
    const TextList& present = flavours()[std::u16string(h)];
    return findJvmLibraryWith(h, type, [&](std::u16string_view path) {
        for (const std::u16string& f : present) {
            if (path == jvmLibraryPath(h, f)) return true;
        }
        return false;
    });
}

TEST(RuntimeTrace, EveryRejectedRuntimeIsExplained) {
    constexpr size_t javaSoftJdk = 0, javaSoftJre = 1, ibmJre = 6;
    TracedRegistry registry;
    registry.roots[javaSoftJre] = {{u"1.8.0_301", home(u"J8")}, {u"17.0.10", home(u"J17client")},
                                   {u"17.0.9", home(u"J17")}, {u"11.0.2", home(u"J11")}, {u"21", u""}};
    registry.roots[javaSoftJdk] = {{u"17.0.2", home(u"K17")}};
    registry.roots[ibmJre] = {{u"17.0.1", home(u"I17")}};
    registry.folders = {{u"21.0.1", home(u"F21"), javaSoftJre, RuntimeKind::Jre, RuntimeVendor::Sun}};
    registry.thirtyTwoBit = {home(u"F21")};
    flavours() = {{home(u"J17client"), {u"client"}}, {home(u"J17"), {u"server"}}, {home(u"J11"), {u"server"}},
                  {home(u"F21"), {u"server"}}};
    RuntimeCriteria c = criteria(u"11", JvmTypeCode::Server, false, true, false);

    std::optional<std::u16string> untraced = runRegistryPass(registry, c, &probe);
    test::TempFolder folder;
    fs::path file = folder.path() / "trace.log";
    std::optional<std::u16string> traced;
    {
        test::EnvironmentOverride variable(u"QX_LAUNCHER_TRACE", file.u16string());
        trace::enableFromEnvironment();
        traced = runRegistryPass(registry, c, &probe);
        trace::disable();
    }
    EXPECT_EQ(traced, untraced) << "tracing changed the choice";
    EXPECT_EQ(traced, home(u"J17"));

    std::string text = test::readBytes(file);
    const char* expected[] = {
        "J8", "version 1.8.0_301 is below \"Minimum Version\" 11.0",
        "K17", "(JDK, Oracle/OpenJDK, version 17.0.2): a JDK, and \"JVM Source\" searches only JREs",
        "I17", "(JRE, IBM, version 17.0.1): vendor IBM is not searched",
        "J17client", "no server library (\"JVM Type\" is server)",
        "F21", "a 32-bit runtime, which this 64-bit launcher cannot load",
        "version 21): the key names no runtime folder",
        "J11", "ranked below the chosen runtime",
        "(JRE, Oracle/OpenJDK, version 17.0.9): chosen",
    };
    for (const char* part : expected) EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
}

} // namespace
} // namespace launcher
