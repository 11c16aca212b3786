// The stand-in runtime proved on its own: each variant loaded into this
// process through the launcher's JVM host, its VM created, its scripted
// classes run, its trace read back; and its JNI checks stop a misuse.

#include "jvm/JavaBridge.h"
#include "jvm/JvmHost.h"
#include "jvm/Redirection.h"
#include "probe/StandinProbe.h"
#include "support/SystemThreads.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <sstream>
#include <thread>

namespace launcher {
namespace {

namespace fs = std::filesystem;

std::string lineEnd() { return kWindows ? "\r\n" : "\n"; }

class StandinRuntime : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path tracePath = folder.path() / "trace.txt";
    test::EnvironmentOverride traceVariable{u"STANDIN_TRACE", tracePath.u16string()};
    test::MessageRecorder messages;
    JvmHost host;

    void TearDown() override { host.destroyVm(); }

    bool start(std::string_view variant, std::vector<std::string> options = {}, RedirectFiles files = {}) {
        return host.load(test::standinLibrary(variant).u16string(), nullptr) &&
               host.createVm(options, [files] { return files; }, nullptr);
    }
    // The creating thread's JNIEnv, as AttachCurrentThread gives it back.
    JNIEnv* env() {
        JNIEnv* env = nullptr;
        EXPECT_EQ(host.vm()->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr), JNI_OK);
        return env;
    }
    std::vector<std::string> trace() const {
        std::istringstream text(test::readBytes(tracePath));
        std::vector<std::string> lines;
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        return lines;
    }
    // The expected lines appear in the trace in this order (others between).
    void expectInOrder(const std::vector<std::string>& expected) const {
        std::vector<std::string> lines = trace();
        auto at = lines.begin();
        for (const std::string& line : expected) {
            at = std::find(at, lines.end(), line);
            if (at == lines.end()) {
                ADD_FAILURE() << "missing or out of order: \"" << line << "\" in\n" << test::readBytes(tracePath);
                return;
            }
            ++at;
        }
    }
    bool traced(std::string_view prefix) const {
        for (const std::string& line : trace()) {
            if (line.rfind(prefix, 0) == 0) return true;
        }
        return false;
    }
};

TEST_F(StandinRuntime, EachVariantExportsWhatItsNameSays) {
    struct Case {
        const char* variant;
        bool loads;
    };
    for (Case c : {Case{"standard", true}, Case{"no-bootloader", true}, Case{"create-fails", true}, Case{"no-create", false}}) {
        SCOPED_TRACE(c.variant);
        JvmHost probe;
        EXPECT_EQ(probe.load(test::standinLibrary(c.variant).u16string(), nullptr), c.loads);
        if (c.loads) {
            // The JDK 1.1 query answers with the default thread stack size.
            EXPECT_EQ(probe.defaultStackSize(), 1024u * 1024u);
        }
    }
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].rfind(u"Windows exception: cannot find CreateJavaVM JNI (errno = ", 0), 0u);
    expectInOrder({"GetDefaultJavaVMInitArgs version=0x00010001"});
}

TEST_F(StandinRuntime, CreationRecordsTheOptionsInOrderAndFailsWithTheConfiguredCode) {
    struct Case {
        const char* variant;
        std::optional<std::u16string_view> result; // STANDIN_CREATE_RESULT
        std::vector<std::string> options;
        const char16_t* reason; // null: the VM is created
    };
    const Case cases[] = {
        {"standard", std::nullopt, {"-Djava.class.path=a.jar", "-Xmx64m"}, nullptr},
        {"standard", std::nullopt, {}, nullptr},
        {"create-fails", std::nullopt, {"-Dx=1"}, u""},
        {"create-fails", u"-1", {}, u"unknown"},
        {"create-fails", u"-6", {}, u"invalid arguments"},
        // Options are not ignored when unrecognised.
        {"standard", std::nullopt, {"-Dok=1", "bogus"}, u"unknown"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variant + (c.options.empty() ? std::string() : " " + c.options.back()));
        fs::remove(tracePath);
        test::EnvironmentOverride result(u"STANDIN_CREATE_RESULT", c.result);
        test::MessageRecorder recorder;
        EXPECT_EQ(start(c.variant, c.options), c.reason == nullptr);
        std::vector<std::string> expected = {"CreateJavaVM version=0x00010002 nOptions=" +
                                             std::to_string(c.options.size() + 2) + " ignoreUnrecognized=0"};
        for (const std::string& option : c.options) expected.push_back("option " + option);
        expected.push_back("option abort extraInfo=set");
        expected.push_back("option exit extraInfo=set");
        EXPECT_EQ(trace(), expected);
        if (c.reason) {
            EXPECT_EQ(recorder.messages(),
                      std::vector<std::u16string>{u"JNI exception: failed to create the Java VM\nReason: " +
                                                  std::u16string(c.reason) + u".\n"});
        } else {
            EXPECT_TRUE(recorder.messages().empty());
        }
        host.destroyVm();
    }
}

TEST_F(StandinRuntime, ScriptedMainClassesBehaveAsTheirNamesSay) {
    struct Case {
        const char* variant;
        const char16_t* mainClass;
        MainOutcome outcome;
        std::vector<const char16_t*> messages;
        std::vector<std::string> calls;
        std::string output;
        std::string error;
    };
    const std::string end = lineEnd();
    const Case cases[] = {
        {"standard", u"standin/Echo", MainOutcome::Returned, {},
         {"FindClassFromBootLoader sun/launcher/LauncherHelper", "checkAndLoadMain 1 1 standin.Echo",
          "GetStaticMethodID standin/Echo main ([Ljava/lang/String;)V", "main [a b][\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80][]",
          "DetachCurrentThread"},
         "a b" + end + "\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80" + end + end, ""},
        // Without the boot loader entry the launcher's own lookup finds it.
        {"no-bootloader", u"standin/Echo", MainOutcome::Returned, {},
         {"FindClass standin/Echo", "main [a b][\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80][]", "DetachCurrentThread"},
         "a b" + end + "\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80" + end + end, ""},
        {"standard", u"standin/Missing", MainOutcome::Failed, {u"Could not find the main class standin/Missing.\n"},
         {"checkAndLoadMain 1 1 standin.Missing", "FindClass standin/Missing",
          "ExceptionDescribe java.lang.NoClassDefFoundError: standin/Missing"},
         "", "Exception in thread \"main\" java.lang.NoClassDefFoundError: standin/Missing" + end},
        {"standard", u"standin/NoMain", MainOutcome::Failed, {u"No main method found in specified class.\n"},
         {"GetStaticMethodID standin/NoMain main ([Ljava/lang/String;)V"}, "", ""},
        // An exception main leaves behind is the thread's uncaught one.
        {"standard", u"standin/Throw", MainOutcome::Uncaught, {},
         {"main [a b][\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80][]", "DetachCurrentThread",
          "uncaught standin.Failure: thrown by the stand-in"},
         "",
         "Exception in thread \"main\" standin.Failure: thrown by the stand-in" + end + "\tat standin.Throw.main(Throw.java)" +
             end},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.variant) + " " + toUtf8(c.mainClass));
        fs::remove(tracePath);
        test::MessageRecorder recorder;
        RedirectFiles files{folder.text(u"out.txt"), false, folder.text(u"err.txt"), false};
        ASSERT_TRUE(start(c.variant, {}, files));
        MainInvocation invocation;
        invocation.mainClass = c.mainClass;
        invocation.arguments = {u"a b", u"\u00FC\u20AC\U0001F600", u""};
        EXPECT_EQ(host.invokeMain(invocation, nullptr), c.outcome);
        host.destroyVm();
        EXPECT_EQ(recorder.messages(), std::vector<std::u16string>(c.messages.begin(), c.messages.end()));
        std::vector<std::string> calls = {"setOut " + toUtf8(files.outputFile) + " append=0",
                                          "setErr " + toUtf8(files.errorFile) + " append=0"};
        calls.insert(calls.end(), c.calls.begin(), c.calls.end());
        // This test's own thread created the VM and destroys it.
        calls.push_back("DestroyJavaVM on the creating thread");
        expectInOrder(calls);
        EXPECT_EQ(test::readBytes(folder.path() / "out.txt"), c.output);
        EXPECT_EQ(test::readBytes(folder.path() / "err.txt"), c.error);
    }
}

TEST_F(StandinRuntime, RedirectionAppendsOrTruncatesAndReportsAFileItCannotOpen) {
    test::writeBytes(folder.path() / "kept.txt", "before" + lineEnd());
    test::writeBytes(folder.path() / "cut.txt", "before" + lineEnd());
    RedirectFiles files{folder.text(u"kept.txt"), true, folder.text(u"cut.txt"), false};
    ASSERT_TRUE(start("standard", {}, files));
    MainInvocation invocation{u"standin/Echo", {u"after"}};
    EXPECT_EQ(host.invokeMain(invocation, nullptr), MainOutcome::Returned);
    host.destroyVm();
    EXPECT_EQ(test::readBytes(folder.path() / "kept.txt"), "before" + lineEnd() + "after" + lineEnd());
    EXPECT_EQ(test::readBytes(folder.path() / "cut.txt"), "");

    // A folder cannot be opened as a file: the stream stays, the VM lives.
    fs::remove(tracePath);
    ASSERT_TRUE(start("standard", {}, RedirectFiles{folder.text(), false, {}, false}));
    EXPECT_TRUE(traced("ExceptionDescribe java.io.FileNotFoundException: " + folder.path().string()));
    EXPECT_FALSE(traced("setOut"));
}

TEST_F(StandinRuntime, StringsKeepEveryUtf16UnitAndGiveModifiedUtf8) {
    ASSERT_TRUE(start("standard"));
    JNIEnv* jni = env();
    const std::u16string text = std::u16string(u"a\0b", 3) + u"\u00E9\U0001F600" + std::u16string(1, u'\xD800') + u"z";
    jstring string = toJavaString(jni, text);
    ASSERT_NE(string, nullptr);
    EXPECT_EQ(fromJavaString(jni, string), text);
    const char* utf = jni->GetStringUTFChars(string, nullptr);
    EXPECT_EQ(std::string(utf), "a\xC0\x80" "b\xC3\xA9\xED\xA0\xBD\xED\xB8\x80\xED\xA0\x80z");
    jni->ReleaseStringUTFChars(string, utf);
}

TEST_F(StandinRuntime, ThrownExceptionPrintsItsStackTraceThroughAByteStream) {
    ASSERT_TRUE(start("standard"));
    JNIEnv* jni = env();
    jclass type = jni->FindClass("standin/Throw");
    ASSERT_NE(type, nullptr);
    jmethodID main = jni->GetStaticMethodID(type, "main", "([Ljava/lang/String;)V");
    jni->CallStaticVoidMethod(type, main, toJavaStringArray(jni, {}));
    jthrowable exception = jni->ExceptionOccurred();
    ASSERT_NE(exception, nullptr);
    jni->ExceptionClear();
    EXPECT_EQ(exceptionText(jni, exception),
              fromUtf8("standin.Failure: thrown by the stand-in" + lineEnd() + "\tat standin.Throw.main(Throw.java)" + lineEnd()));

    // A class it does not know: null, with NoClassDefFoundError pending.
    EXPECT_EQ(jni->FindClass("standin/Unknown"), nullptr);
    EXPECT_TRUE(jni->ExceptionCheck());
    jni->ExceptionClear();
}

TEST_F(StandinRuntime, ForwardedCallsReachSecondaryMainAndStopKeepsTheVmUntilThen) {
    ASSERT_TRUE(start("standard"));
    JavaVM* vm = host.vm();
    EXPECT_EQ(host.invokeMain(MainInvocation{u"standin/SecondaryInt", {}}, nullptr), MainOutcome::Returned);
    jint answer = 0;
    // A worker as the launcher runs one: attach, find, call, detach.
    std::thread worker([&] {
        JNIEnv* jni = nullptr;
        ASSERT_EQ(vm->AttachCurrentThread(reinterpret_cast<void**>(&jni), nullptr), JNI_OK);
        jclass type = jni->FindClass("standin/SecondaryInt");
        EXPECT_EQ(jni->GetStaticMethodID(type, "secondaryMain", "([Ljava/lang/String;)V"), nullptr);
        jni->ExceptionClear();
        jmethodID method = jni->GetStaticMethodID(type, "secondaryMain", "([Ljava/lang/String;)I");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        answer = jni->CallStaticIntMethod(type, method, toJavaStringArray(jni, {u"42", u"stop"}));
        vm->DetachCurrentThread();
    });
    host.destroyVm(); // waits for the worker and for "stop"
    worker.join();
    EXPECT_EQ(answer, 42);
    expectInOrder({"main", "DetachCurrentThread", "AttachCurrentThread", "secondaryMain [42][stop]",
                   "DetachCurrentThread", "DestroyJavaVM on the creating thread"});
}

// Forwarded launches come in bursts, each on a thread that attaches, calls
// and ends: the runtime's record of each thread must end with that thread
// and no other. (Kept in emulated thread storage, such records once
// corrupted the heap of the process under this load.)
TEST_F(StandinRuntime, BurstsOfThreadsThatAttachAndEndLeaveTheRuntimeSound) {
    ASSERT_TRUE(start("standard"));
    JavaVM* vm = host.vm();
    EXPECT_EQ(host.invokeMain(MainInvocation{u"standin/SecondaryInt", {}}, nullptr), MainOutcome::Returned);
    std::atomic<int> attached{0};
    constexpr int kBursts = 40, kBurst = 24;
    {
        // Untraced, so that the threads of a burst end together, as quick
        // forwarded launches do.
        test::EnvironmentOverride untraced{u"STANDIN_TRACE", std::nullopt};
        for (int burst = 0; burst < kBursts; ++burst) {
            std::atomic<int> done{0};
            test::runOnSystemThreads(kBurst, [&](int) {
                // A name and a local reference: the thread's record holds
                // memory of its own, as a worker's does.
                char name[] = "a forwarded launch's worker thread";
                JavaVMAttachArgs args{JNI_VERSION_1_2, name, nullptr};
                JNIEnv* jni = nullptr;
                if (vm->AttachCurrentThread(reinterpret_cast<void**>(&jni), &args) == JNI_OK) {
                    attached += jni->FindClass("standin/SecondaryInt") != nullptr;
                    vm->DetachCurrentThread();
                }
                // The threads of a burst end at one moment.
                ++done;
                while (done.load() < kBurst) std::this_thread::yield();
            });
        }
    }
    EXPECT_EQ(attached.load(), kBursts * kBurst);
    // One that ended attached, or a record ended twice, stops the process
    // here; a forwarded call still reaches the program.
    jint answer = 0;
    std::thread([&] {
        JNIEnv* jni = nullptr;
        vm->AttachCurrentThread(reinterpret_cast<void**>(&jni), nullptr);
        jclass type = jni->FindClass("standin/SecondaryInt");
        answer = jni->CallStaticIntMethod(type, jni->GetStaticMethodID(type, "secondaryMain", "([Ljava/lang/String;)I"),
                                          toJavaStringArray(jni, {u"5", u"stop"}));
        vm->DetachCurrentThread();
    }).join();
    EXPECT_EQ(answer, 5);
    host.destroyVm();
    expectInOrder({"secondaryMain [5][stop]", "DetachCurrentThread", "DestroyJavaVM on the creating thread"});
}

using StandinRuntimeDeathTest = StandinRuntime;

TEST_F(StandinRuntimeDeathTest, MisusedJniStopsTheProcessWithTheCallsName) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            start("standard");
            env()->GetVersion();
        },
        "JNIEnv function 4 \\(GetVersion\\) is not implemented");
    EXPECT_DEATH(
        {
            start("standard");
            JNIEnv* jni = env();
            jni->FindClass("standin/Unknown");
            jni->FindClass("standin/Echo");
        },
        "FindClass: called with an exception pending \\(java.lang.NoClassDefFoundError: standin/Unknown\\)");
    EXPECT_DEATH(
        {
            start("standard");
            JNIEnv* jni = env();
            jstring string = toJavaString(jni, u"x");
            jni->DeleteLocalRef(string);
            jni->GetStringLength(string);
        },
        "GetStringLength: local reference used after it was deleted");
}

} // namespace
} // namespace launcher
