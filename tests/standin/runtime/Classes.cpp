// The classes the stand-in knows: the few platform classes a launcher
// touches (strings, System, the streams, Throwable, the launcher helper) and
// the scripted application classes that tests name as their main class.

#include "runtime/Runtime.h"

#include <chrono>
#include <deque>
#include <filesystem>
#include <thread>

namespace standin {

namespace {

Value nothing() { return {}; }

Value objectResult(Object* object) {
    Value value;
    value.object = object;
    return value;
}

bool nullPointer(const Object* object) {
    if (object) return false;
    raise("java/lang/NullPointerException", {});
    return true;
}

// A call with its String[] as the trace shows it: "main [first][second]",
// or just "main" for no arguments.
std::string callLine(const char* method, const Object* array) {
    if (!array) return std::string(method) + " null";
    std::string text = method;
    if (!array->elements.empty()) text += ' ';
    for (const Object* element : array->elements) {
        text += '[';
        text += element ? toUtf8(element->text) : "null";
        text += ']';
    }
    return text;
}

std::u16string argumentAt(const Object* array, size_t index) {
    return array && array->elements.size() > index && array->elements[index] ? array->elements[index]->text : u"";
}

std::u16string firstArgument(const Object* array) { return argumentAt(array, 0); }

// An argument as a decimal int; 0 when it is none.
jint intAt(const Object* array, size_t index) {
    std::string text = toUtf8(argumentAt(array, index));
    size_t i = text.size() > 1 && text[0] == '-' ? 1 : 0;
    if (i == text.size() || text.find_first_not_of("0123456789", i) != std::string::npos || text.size() > 10) return 0;
    return static_cast<jint>(std::stol(text));
}

jint firstInt(const Object* array) { return intAt(array, 0); }

void printLines(const Object* array) {
    if (!array) return;
    for (const Object* element : array->elements) {
        printTo(systemOut(), (element ? toUtf8(element->text) : "null") + lineSeparator());
    }
}

bool holdsStop(const Object* array) {
    if (!array) return false;
    for (const Object* element : array->elements) {
        if (element && element->text == u"stop") return true;
    }
    return false;
}

std::string describeStream(const Object* printStream) {
    if (!printStream) return "null";
    const Object* target = printStream->target;
    if (target && target->console) return target->console == 1 ? "<stdout>" : "<stderr>";
    if (target && target->type->name == "java/io/FileOutputStream") {
        return toUtf8(target->text) + " append=" + (target->append ? "1" : "0");
    }
    return "<memory>";
}

// --- platform classes

Value stringFromChars(Object* self, const std::vector<Value>& a) {
    if (nullPointer(a[0].object)) return nothing();
    self->text.assign(a[0].object->chars.begin(), a[0].object->chars.end());
    return nothing();
}

Value exitMethod(Object*, const std::vector<Value>& a) { systemExit(static_cast<jint>(a[0].integer)); }

Value setOut(Object*, const std::vector<Value>& a) {
    trace("setOut " + describeStream(a[0].object));
    setSystemStream(1, a[0].object);
    return nothing();
}

Value setErr(Object*, const std::vector<Value>& a) {
    trace("setErr " + describeStream(a[0].object));
    setSystemStream(2, a[0].object);
    return nothing();
}

Value openFile(Object* self, const std::vector<Value>& a) {
    if (nullPointer(a[0].object)) return nothing();
    std::string reason;
    self->text = a[0].object->text;
    self->append = a[1].integer != 0;
    self->file = openOutputFile(self->text, self->append, reason);
    if (!self->file) raise("java/io/FileNotFoundException", self->text + u" (" + fromUtf8(reason) + u")");
    return nothing();
}

Value bytesToString(Object* self, const std::vector<Value>&) { return objectResult(newString(fromUtf8(self->bytes))); }

Value wrapStream(Object* self, const std::vector<Value>& a) {
    if (!nullPointer(a[0].object)) self->target = a[0].object;
    return nothing();
}

Value printStackTrace(Object* self, const std::vector<Value>& a) {
    if (nullPointer(a[0].object)) return nothing();
    trace("printStackTrace " + throwableText(self));
    printTo(a[0].object, stackTraceText(self));
    return nothing();
}

// Mode 1: the name is a class name, with "." or "/" between its parts.
Value checkAndLoadMain(Object*, const std::vector<Value>& a) {
    const Object* name = a[2].object;
    trace("checkAndLoadMain " + std::to_string(a[0].integer) + " " + std::to_string(a[1].integer) + " " +
          (name ? toUtf8(name->text) : "null"));
    if (!name || a[1].integer != 1) return nothing();
    std::string slashed = toUtf8(name->text);
    for (char& c : slashed) {
        if (c == '.') c = '/';
    }
    const ClassDef* found = findClassDef(slashed);
    if (found && found->application) return objectResult(found->mirror);
    if (helperEndsVm()) {
        const std::string shown = toUtf8(name->text);
        printTo(systemErr(), "Error: Could not find or load main class " + shown + lineSeparator() +
                                 "Caused by: java.lang.ClassNotFoundException: " + shown + lineSeparator());
        systemExit(1);
    }
    return nothing();
}

// --- scripted application classes

Value echoMain(Object*, const std::vector<Value>& a) {
    trace(callLine("main", a[0].object));
    printLines(a[0].object);
    return nothing();
}

Value exitMain(Object*, const std::vector<Value>& a) {
    trace(callLine("main", a[0].object));
    systemExit(firstInt(a[0].object));
}

Value throwMain(Object*, const std::vector<Value>& a) {
    trace(callLine("main", a[0].object));
    raise("standin/Failure", u"thrown by the stand-in", "standin.Throw.main(Throw.java)");
    return nothing();
}

// Starts a thread of the program that outlives main, then throws, as a
// program whose window stays up after main failed. The thread ends after
// the milliseconds of the first argument, through System.exit when a
// second argument gives the code.
Value throwBesideThreadMain(Object*, const std::vector<Value>& a) {
    trace(callLine("main", a[0].object));
    const int millis = firstInt(a[0].object);
    const bool exits = !argumentAt(a[0].object, 1).empty();
    const jint code = intAt(a[0].object, 1);
    startProgramThread("Thread-0", [millis, exits, code] {
        std::this_thread::sleep_for(std::chrono::milliseconds(millis));
        if (exits) systemExit(code);
        trace("Thread-0 ends");
    });
    raise("standin/Failure", u"thrown by the stand-in", "standin.ThrowBesideThread.main(ThrowBesideThread.java)");
    return nothing();
}

// Stays alive after main, as a program with a window would, until a
// forwarded launch says "stop".
Value lingerMain(Object*, const std::vector<Value>& a) {
    trace(callLine("main", a[0].object));
    printLines(a[0].object);
    startLinger();
    return nothing();
}

// Holds main until the file named by its first argument exists (a minute at
// most), then lingers as a windowed program would: the splash tests look at
// the screen while main runs and after it has returned.
Value holdMain(Object*, const std::vector<Value>& a) {
    trace(callLine("main", a[0].object));
    std::filesystem::path flag(firstArgument(a[0].object));
    for (int i = 0; i < 600 && !std::filesystem::exists(flag); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    trace("main returns");
    startLinger();
    return nothing();
}

Value secondaryMain(Object*, const std::vector<Value>& a) {
    trace(callLine("secondaryMain", a[0].object));
    printLines(a[0].object);
    if (holdsStop(a[0].object)) releaseLinger();
    return nothing();
}

Value secondaryIntMain(Object* self, const std::vector<Value>& a) {
    secondaryMain(self, a);
    Value result;
    result.integer = firstInt(a[0].object);
    return result;
}

// Runs for as many milliseconds as its first argument says, then returns,
// as a program that works a while without a window would. It returns
// earlier once the file that STANDIN_PAUSE_END names exists: a test that
// has seen what it waited for need not wait out the rest.
Value pauseMain(Object*, const std::vector<Value>& a) {
    trace(callLine("main", a[0].object));
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(firstInt(a[0].object));
    const std::string endFile = environmentText("STANDIN_PAUSE_END");
    const std::filesystem::path flag(fromUtf8(endFile));
    while (std::chrono::steady_clock::now() < end) {
        if (!endFile.empty() && std::filesystem::exists(flag)) break;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            std::chrono::milliseconds(20), end - std::chrono::steady_clock::now()));
    }
    return nothing();
}

// The int form that fails: "throw" as the first argument throws.
Value secondaryOrThrow(Object* self, const std::vector<Value>& a) {
    if (firstArgument(a[0].object) != u"throw") return secondaryIntMain(self, a);
    trace(callLine("secondaryMain", a[0].object));
    raise("standin/Failure", u"thrown by secondaryMain", "standin.Pause.secondaryMain(Pause.java)");
    return nothing();
}

// The int form that takes its time, as a program that opens a document
// would: answers with its first argument after the milliseconds of its
// second (100 when there is none); "die" as the second argument ends the
// process at once, as a kill from outside would, with code 9; "crash"
// ends it through a fault of its own.
Value slowSecondaryMain(Object*, const std::vector<Value>& a) {
    trace(callLine("secondaryMain", a[0].object));
    const Object* array = a[0].object;
    std::u16string second = array && array->elements.size() > 1 && array->elements[1] ? array->elements[1]->text : u"";
    if (second == u"die") killProcess(9);
    if (second == u"crash") crashProcess();
    int millis = 100;
    if (!second.empty() && second.size() < 7 && second.find_first_not_of(u"0123456789") == std::u16string::npos) {
        millis = std::stoi(toUtf8(second));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(millis));
    if (holdsStop(array)) releaseLinger();
    Value result;
    result.integer = firstInt(array);
    return result;
}

struct MethodSpec {
    const char* name;
    const char* signature;
    bool isStatic;
    MethodBody body;
};

constexpr const char* kMain = "([Ljava/lang/String;)V";

std::deque<ClassDef>* buildClasses() {
    auto* classes = new std::deque<ClassDef>;
    auto add = [&](std::string name, std::string superName, std::vector<MethodSpec> methods) -> ClassDef& {
        ClassDef& type = classes->emplace_back();
        type.name = std::move(name);
        type.superName = std::move(superName);
        for (const MethodSpec& m : methods) type.methods.push_back({nullptr, m.name, m.signature, m.isStatic, m.body});
        return type;
    };
    add("java/lang/Object", "", {});
    add("java/lang/Class", "java/lang/Object", {});
    add("java/lang/String", "java/lang/Object", {{"<init>", "([C)V", false, stringFromChars}});
    add("java/lang/System", "java/lang/Object",
        {{"exit", "(I)V", true, exitMethod},
         {"setOut", "(Ljava/io/PrintStream;)V", true, setOut},
         {"setErr", "(Ljava/io/PrintStream;)V", true, setErr}});
    add("java/io/OutputStream", "java/lang/Object", {});
    add("java/io/FileOutputStream", "java/io/OutputStream", {{"<init>", "(Ljava/lang/String;Z)V", false, openFile}});
    add("java/io/ByteArrayOutputStream", "java/io/OutputStream",
        {{"<init>", "()V", false, [](Object*, const std::vector<Value>&) { return nothing(); }},
         {"toString", "()Ljava/lang/String;", false, bytesToString}});
    add("java/io/PrintStream", "java/io/OutputStream", {{"<init>", "(Ljava/io/OutputStream;)V", false, wrapStream}});
    add("java/lang/Throwable", "java/lang/Object", {{"printStackTrace", "(Ljava/io/PrintStream;)V", false, printStackTrace}});
    for (const char* name : {"java/lang/NullPointerException", "java/lang/NoClassDefFoundError", "java/lang/NoSuchMethodError",
                             "java/lang/ArrayIndexOutOfBoundsException", "java/lang/NegativeArraySizeException",
                             "java/lang/ArrayStoreException", "java/io/FileNotFoundException"}) {
        add(name, "java/lang/Throwable", {});
    }
    add("sun/launcher/LauncherHelper", "java/lang/Object",
        {{"checkAndLoadMain", "(ZILjava/lang/String;)Ljava/lang/Class;", true, checkAndLoadMain}});
    add("[C", "java/lang/Object", {});
    add("[Ljava/lang/Object;", "java/lang/Object", {});

    add("standin/Failure", "java/lang/Throwable", {}).application = true;
    add("standin/Echo", "java/lang/Object", {{"main", kMain, true, echoMain}}).application = true;
    add("standin/Exit", "java/lang/Object", {{"main", kMain, true, exitMain}}).application = true;
    add("standin/Throw", "java/lang/Object", {{"main", kMain, true, throwMain}}).application = true;
    add("standin/ThrowBesideThread", "java/lang/Object", {{"main", kMain, true, throwBesideThreadMain}}).application =
        true;
    add("standin/Hold", "java/lang/Object", {{"main", kMain, true, holdMain}}).application = true;
    ClassDef& noMain = add("standin/NoMain", "java/lang/Object", {});
    noMain.application = true;
    noMain.quietLookups = true;
    ClassDef& secondary = add("standin/Secondary", "java/lang/Object",
                              {{"main", kMain, true, lingerMain}, {"secondaryMain", kMain, true, secondaryMain}});
    secondary.application = true;
    ClassDef& secondaryInt = add("standin/SecondaryInt", "java/lang/Object",
                                 {{"main", kMain, true, lingerMain},
                                  {"secondaryMain", "([Ljava/lang/String;)I", true, secondaryIntMain}});
    secondaryInt.application = true;
    add("standin/Pause", "java/lang/Object",
        {{"main", kMain, true, pauseMain}, {"secondaryMain", "([Ljava/lang/String;)I", true, secondaryOrThrow}})
        .application = true;

    add("standin/Slow", "java/lang/Object",
        {{"main", kMain, true, lingerMain}, {"secondaryMain", "([Ljava/lang/String;)I", true, slowSecondaryMain}})
        .application = true;
    // A name beyond the ANSI code pages: a lookup through one of them misses.
    add("standin/Pause\xe6\x97\xa5\xe6\x9c\xac", "java/lang/Object",
        {{"main", kMain, true, pauseMain}, {"secondaryMain", "([Ljava/lang/String;)I", true, secondaryOrThrow}})
        .application = true;

    ClassDef* classClass = &(*classes)[1];
    for (ClassDef& type : *classes) {
        for (ClassDef& other : *classes) {
            if (other.name == type.superName) type.superClass = &other;
        }
        for (Method& method : type.methods) method.owner = &type;
        type.mirror = allocate(classClass);
        type.mirror->mirrorOf = &type;
    }
    return classes;
}

const std::deque<ClassDef>& classes() {
    static const std::deque<ClassDef>* table = buildClasses(); // never destroyed, like the heap
    return *table;
}

} // namespace

const ClassDef* findClassDef(std::string_view name) {
    for (const ClassDef& type : classes()) {
        if (type.name == name) return &type;
    }
    return nullptr;
}

bool isInstance(const Object* object, const ClassDef* type) {
    for (const ClassDef* t = object->type; t; t = t->superClass) {
        if (t == type) return true;
    }
    return false;
}

const Method* findMethod(const ClassDef* type, std::string_view name, std::string_view signature, bool isStatic) {
    // Constructors belong to their own class; other methods are inherited.
    for (const ClassDef* t = type; t; t = name == "<init>" ? nullptr : t->superClass) {
        for (const Method& method : t->methods) {
            if (method.name == name && method.signature == signature && method.isStatic == isStatic) return &method;
        }
    }
    return nullptr;
}

bool isMethod(const Method* method) {
    for (const ClassDef& type : classes()) {
        for (const Method& m : type.methods) {
            if (&m == method) return true;
        }
    }
    return false;
}

Object* newConsolePrintStream(int stream) {
    Object* console = allocate(findClassDef("java/io/FileOutputStream"));
    console->console = stream;
    Object* printStream = allocate(findClassDef("java/io/PrintStream"));
    printStream->target = console;
    return printStream;
}

std::string throwableText(const Object* throwable) {
    std::string text = dotted(throwable->type->name);
    if (!throwable->text.empty()) text += ": " + toUtf8(throwable->text);
    return text;
}

std::string stackTraceText(const Object* throwable) {
    std::string text = throwableText(throwable) + lineSeparator();
    if (!throwable->where.empty()) text += "\tat " + throwable->where + lineSeparator();
    return text;
}

void printTo(Object* printStream, std::string_view bytes) {
    Object* target = printStream ? printStream->target : nullptr;
    if (!target) return;
    if (target->console) {
        writeConsole(target->console, bytes);
    } else if (target->file) {
        // Written through at once, as a PrintStream over a FileOutputStream
        // does: what was printed before an abrupt exit is in the file.
        std::fwrite(bytes.data(), 1, bytes.size(), target->file);
        std::fflush(target->file);
    } else if (target->type->name == "java/io/ByteArrayOutputStream") {
        target->bytes.append(bytes);
    }
}

} // namespace standin
