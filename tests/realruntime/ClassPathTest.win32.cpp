// Class paths on the real runtime: wildcards that stand for several jars,
// and a class path longer than a Windows command line can be. The program's
// two classes travel in two jars, so it runs only when both are found.

#include "RealRuntime.win32.h"
#include "support/ArchiveBuilder.h"

#include <gtest/gtest.h>

#include <string>

namespace launcher {
namespace {

namespace fs = std::filesystem;

class RealClassPath : public test::RealRuntimeTest {
protected:
    std::string probeJar, partJar;

    void SetUp() override {
        test::RealRuntimeTest::SetUp();
        if (IsSkipped()) return;
        const test::ReadResult jar = test::readArchive(test::readBytes(folder.path() / "app.jar"));
        for (const test::ReadEntry& read : jar.entries) {
            const std::string& name = read.entry.name;
            if (name == "realapp/ClassPathProbe.class") probeJar = test::buildZip({{"realapp/ClassPathProbe.class", read.data}});
            if (name == "realapp/ClassPathPart.class") partJar = test::buildZip({{"realapp/ClassPathPart.class", read.data}});
        }
        ASSERT_FALSE(probeJar.empty() || partJar.empty()) << "the suite's jar lacks the class path program";
    }

    void writeClassPath(const std::string& classPath) {
        test::writeBytes(folder.path() / "app.ini", "[Java Runtime Environment]\r\nMain Class=realapp.ClassPathProbe\r\n" +
                                                        jrePathLine() + "[Class Path]\r\nClass Path=" + classPath +
                                                        "\r\n");
    }
};

TEST_F(RealClassPath, WildcardNamesEveryJarAndOnlyJars) {
    fs::create_directory(folder.path() / "lib");
    test::writeBytes(folder.path() / "lib" / "a.jar", probeJar);
    test::writeBytes(folder.path() / "lib" / "b.jar", partJar);
    test::writeBytes(folder.path() / "lib" / "b.txt", "not a jar");
    writeClassPath("lib\\*.jar");
    const test::CapturedRun run = start({});
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_EQ(test::reported(run.out, "entries"), "2");
    EXPECT_EQ(test::reported(run.out, "probe"), "a.jar");
    EXPECT_EQ(test::reported(run.out, "part"), "b.jar");
    EXPECT_EQ(test::reported(run.out, "partSays"), "loaded");
}

// Beyond 32767 characters, the longest command line Windows takes, a
// launcher that handed the class path through one would lose it. The
// program starts from the first entry and finds its other class only in
// the last.
TEST_F(RealClassPath, LongerThanACommandLine) {
    fs::create_directory(folder.path() / "many");
    test::writeBytes(folder.path() / "many" / "first.jar", probeJar);
    std::string classPath = "many\\first.jar";
    size_t absoluteLength = (folder.path() / "many" / "first.jar").string().size();
    const std::string filler = test::buildZip({{"filler.txt", "filler"}});
    const std::string padding(90, 'x');
    for (int n = 0; absoluteLength <= 33000; ++n) {
        const std::string name = "entry" + std::to_string(1000 + n) + padding + ".jar";
        test::writeBytes(folder.path() / "many" / name, filler);
        classPath += ";many\\" + name;
        absoluteLength += 1 + (folder.path() / "many" / name).string().size();
    }
    test::writeBytes(folder.path() / "many" / "last.jar", partJar);
    classPath += ";many\\last.jar";
    writeClassPath(classPath);
    const test::CapturedRun run = start({});
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_GT(std::stoul(test::reported(run.out, "length")), 32767u);
    EXPECT_EQ(test::reported(run.out, "probe"), "first.jar");
    EXPECT_EQ(test::reported(run.out, "part"), "last.jar");
    EXPECT_EQ(test::reported(run.out, "partSays"), "loaded");
}

} // namespace
} // namespace launcher
