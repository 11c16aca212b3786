// The JNIEnv functions a launcher calls. Each checks what a real VM only
// assumes (the right thread, no pending exception, live references, the
// method's kind and result type), so a fault in the caller ends the process
// loudly with the name of the call.

#include "runtime/Slots.h"

#include <cstdarg>
#include <cstdlib>
#include <mutex>
#include <unordered_set>

namespace standin {

namespace {

const ClassDef* classOf(jclass reference, std::string_view function) {
    const Object* mirror = resolve(reference, function);
    if (!mirror || !mirror->mirrorOf) fatal(std::string(function) + ": not a class");
    return mirror->mirrorOf;
}

Object* objectOf(jobject reference, std::string_view function, const char* className) {
    Object* object = resolve(reference, function);
    if (!object || !isInstance(object, findClassDef(className))) {
        fatal(std::string(function) + ": expected a non-null " + className);
    }
    return object;
}

const Method* methodOf(jmethodID id, std::string_view function) {
    auto* method = reinterpret_cast<const Method*>(id);
    if (!isMethod(method)) fatal(std::string(function) + ": not a method id of this runtime");
    return method;
}

char resultType(const Method* method) { return method->signature[method->signature.find(')') + 1]; }

// Checks one reference argument against its declared type.
void checkArgument(const Object* object, std::string_view type, const Method* method) {
    if (!object) return;
    bool fits;
    if (type == "[C") {
        fits = object->type->name == "[C";
    } else if (type.substr(0, 2) == "[L") {
        const ClassDef* component = findClassDef(type.substr(2, type.size() - 3));
        fits = object->componentType && (!component || object->componentType == component);
    } else {
        const ClassDef* declared = findClassDef(type.substr(1, type.size() - 2));
        fits = !declared || isInstance(object, declared);
    }
    if (!fits) fatal(method->name + method->signature + ": an argument is not a " + std::string(type));
}

// The arguments of a call, read from the va_list as the signature says.
std::vector<Value> readArguments(const Method* method, va_list args, std::string_view function) {
    std::vector<Value> values;
    std::string_view s = method->signature;
    size_t i = 1;
    while (i < s.size() && s[i] != ')') {
        Value value;
        size_t start = i;
        if (s[i] == 'L' || s[i] == '[') {
            while (s[i] == '[') ++i;
            if (s[i] == 'L') i = s.find(';', i);
            ++i;
            value.object = resolve(va_arg(args, jobject), function);
            checkArgument(value.object, s.substr(start, i - start), method);
        } else if (s[i] == 'J') {
            value.integer = va_arg(args, jlong);
            ++i;
        } else if (s[i] == 'F' || s[i] == 'D') {
            value.real = va_arg(args, double);
            ++i;
        } else {
            value.integer = va_arg(args, jint); // boolean, byte, char, short and int all arrive as int
            ++i;
        }
        values.push_back(value);
    }
    return values;
}

// Checks the method against the kind of call, then runs it.
Value call(Thread& thread, const ClassDef* type, Object* self, jmethodID id, va_list args, std::string_view function,
           bool isStatic, std::string_view results) {
    const Method* method = methodOf(id, function);
    if (method->isStatic != isStatic) fatal(std::string(function) + " on " + method->name + ": wrong kind of method");
    if (results.find(resultType(method)) == std::string_view::npos) {
        fatal(std::string(function) + " on " + method->name + method->signature + ": wrong result type");
    }
    const ClassDef* receiver = isStatic ? type : self->type;
    bool related = false;
    for (const ClassDef* t = receiver; t; t = t->superClass) related |= t == method->owner;
    if (!related) fatal(std::string(function) + ": " + method->name + " does not belong to " + receiver->name);
    Value result = method->body(self, readArguments(method, args, function));
    if (thread.pending) result = {};
    return result;
}

// --- buffers handed out by Get*Chars, which must come back exactly once

struct Buffers {
    std::mutex lock;
    std::unordered_set<const void*> out;
};

Buffers& buffers() {
    static auto* instance = new Buffers; // System.exit may come while others still use it
    return *instance;
}

template <typename Unit>
const Unit* handOut(const std::basic_string<Unit>& text, jboolean* isCopy) {
    auto* copy = static_cast<Unit*>(std::malloc((text.size() + 1) * sizeof(Unit)));
    std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(Unit));
    if (isCopy) *isCopy = JNI_TRUE;
    std::lock_guard guard(buffers().lock);
    buffers().out.insert(copy);
    return copy;
}

void takeBack(const void* buffer, std::string_view function) {
    std::lock_guard guard(buffers().lock);
    if (!buffers().out.erase(buffer)) {
        fatal(std::string(function) + ": not a buffer this runtime handed out, or released twice");
    }
    std::free(const_cast<void*>(buffer));
}

// --- the functions

jclass JNICALL findClass(JNIEnv* env, const char* name) {
    enter(env, "FindClass");
    if (!name) fatal("FindClass: null name");
    trace("FindClass " + std::string(name));
    const ClassDef* type = findClassDef(name);
    if (!type) {
        raise("java/lang/NoClassDefFoundError", fromUtf8(name));
        return nullptr;
    }
    return static_cast<jclass>(newLocal(type->mirror));
}

jmethodID lookUp(JNIEnv* env, jclass clazz, const char* name, const char* signature, bool isStatic,
                 std::string_view function) {
    enter(env, function);
    const ClassDef* type = classOf(clazz, function);
    if (!name || !signature) fatal(std::string(function) + ": null name or signature");
    if (isStatic) trace("GetStaticMethodID " + type->name + " " + name + " " + signature);
    const Method* method = isMissingMethod(name) ? nullptr : findMethod(type, name, signature, isStatic);
    if (!method && !type->quietLookups) raise("java/lang/NoSuchMethodError", fromUtf8(name));
    return reinterpret_cast<jmethodID>(const_cast<Method*>(method));
}

jmethodID JNICALL getMethodId(JNIEnv* env, jclass clazz, const char* name, const char* signature) {
    return lookUp(env, clazz, name, signature, false, "GetMethodID");
}

jmethodID JNICALL getStaticMethodId(JNIEnv* env, jclass clazz, const char* name, const char* signature) {
    return lookUp(env, clazz, name, signature, true, "GetStaticMethodID");
}

jclass JNICALL getObjectClass(JNIEnv* env, jobject object) {
    enter(env, "GetObjectClass");
    Object* target = resolve(object, "GetObjectClass");
    if (!target) fatal("GetObjectClass: null object");
    return static_cast<jclass>(newLocal(target->type->mirror));
}

jobject JNICALL newObjectV(JNIEnv* env, jclass clazz, jmethodID constructor, va_list args) {
    Thread& thread = enter(env, "NewObject");
    const ClassDef* type = classOf(clazz, "NewObject");
    const Method* method = methodOf(constructor, "NewObject");
    if (method->name != "<init>" || method->owner != type) fatal("NewObject: not a constructor of " + type->name);
    Object* object = allocate(type);
    call(thread, type, object, constructor, args, "NewObject", false, "V");
    return thread.pending ? nullptr : newLocal(object);
}

jobject JNICALL newObject(JNIEnv* env, jclass clazz, jmethodID constructor, ...) {
    va_list args;
    va_start(args, constructor);
    jobject result = newObjectV(env, clazz, constructor, args);
    va_end(args);
    return result;
}

jcharArray JNICALL newCharArray(JNIEnv* env, jsize length) {
    enter(env, "NewCharArray");
    if (length < 0) {
        raise("java/lang/NegativeArraySizeException", fromUtf8(std::to_string(length)));
        return nullptr;
    }
    Object* array = allocate(findClassDef("[C"));
    array->chars.resize(static_cast<size_t>(length));
    return static_cast<jcharArray>(newLocal(array));
}

void JNICALL setCharArrayRegion(JNIEnv* env, jcharArray array, jsize start, jsize length, const jchar* chars) {
    enter(env, "SetCharArrayRegion");
    Object* target = objectOf(array, "SetCharArrayRegion", "[C");
    if (start < 0 || length < 0 || static_cast<size_t>(start) + static_cast<size_t>(length) > target->chars.size()) {
        raise("java/lang/ArrayIndexOutOfBoundsException", {});
        return;
    }
    if (length > 0 && !chars) fatal("SetCharArrayRegion: null buffer");
    std::copy(chars, chars + length, target->chars.begin() + start);
}

jobjectArray JNICALL newObjectArray(JNIEnv* env, jsize length, jclass elementClass, jobject initial) {
    enter(env, "NewObjectArray");
    const ClassDef* component = classOf(elementClass, "NewObjectArray");
    Object* fill = resolve(initial, "NewObjectArray");
    if (length < 0) {
        raise("java/lang/NegativeArraySizeException", fromUtf8(std::to_string(length)));
        return nullptr;
    }
    if (fill && !isInstance(fill, component)) {
        raise("java/lang/ArrayStoreException", fromUtf8(dotted(fill->type->name)));
        return nullptr;
    }
    Object* array = allocate(findClassDef("[Ljava/lang/Object;"));
    array->componentType = component;
    array->elements.assign(static_cast<size_t>(length), fill);
    return static_cast<jobjectArray>(newLocal(array));
}

void JNICALL setObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index, jobject value) {
    enter(env, "SetObjectArrayElement");
    Object* target = objectOf(array, "SetObjectArrayElement", "[Ljava/lang/Object;");
    Object* element = resolve(value, "SetObjectArrayElement");
    if (index < 0 || static_cast<size_t>(index) >= target->elements.size()) {
        raise("java/lang/ArrayIndexOutOfBoundsException", fromUtf8(std::to_string(index)));
    } else if (element && !isInstance(element, target->componentType)) {
        raise("java/lang/ArrayStoreException", fromUtf8(dotted(element->type->name)));
    } else {
        target->elements[static_cast<size_t>(index)] = element;
    }
}

jsize JNICALL getStringLength(JNIEnv* env, jstring string) {
    enter(env, "GetStringLength");
    return static_cast<jsize>(objectOf(string, "GetStringLength", "java/lang/String")->text.size());
}

const jchar* JNICALL getStringChars(JNIEnv* env, jstring string, jboolean* isCopy) {
    enter(env, "GetStringChars");
    const std::u16string& text = objectOf(string, "GetStringChars", "java/lang/String")->text;
    return reinterpret_cast<const jchar*>(handOut(text, isCopy));
}

void JNICALL releaseStringChars(JNIEnv* env, jstring string, const jchar* chars) {
    enter(env, "ReleaseStringChars", true);
    objectOf(string, "ReleaseStringChars", "java/lang/String");
    takeBack(chars, "ReleaseStringChars");
}

const char* JNICALL getStringUtfChars(JNIEnv* env, jstring string, jboolean* isCopy) {
    enter(env, "GetStringUTFChars");
    return handOut(toModifiedUtf8(objectOf(string, "GetStringUTFChars", "java/lang/String")->text), isCopy);
}

void JNICALL releaseStringUtfChars(JNIEnv* env, jstring string, const char* chars) {
    enter(env, "ReleaseStringUTFChars", true);
    objectOf(string, "ReleaseStringUTFChars", "java/lang/String");
    takeBack(chars, "ReleaseStringUTFChars");
}

void JNICALL callStaticVoidMethodV(JNIEnv* env, jclass clazz, jmethodID method, va_list args) {
    Thread& thread = enter(env, "CallStaticVoidMethod");
    call(thread, classOf(clazz, "CallStaticVoidMethod"), nullptr, method, args, "CallStaticVoidMethod", true, "V");
}

jobject JNICALL callStaticObjectMethodV(JNIEnv* env, jclass clazz, jmethodID method, va_list args) {
    Thread& thread = enter(env, "CallStaticObjectMethod");
    const ClassDef* type = classOf(clazz, "CallStaticObjectMethod");
    return newLocal(call(thread, type, nullptr, method, args, "CallStaticObjectMethod", true, "L[").object);
}

jint JNICALL callStaticIntMethodV(JNIEnv* env, jclass clazz, jmethodID method, va_list args) {
    Thread& thread = enter(env, "CallStaticIntMethod");
    const ClassDef* type = classOf(clazz, "CallStaticIntMethod");
    return static_cast<jint>(call(thread, type, nullptr, method, args, "CallStaticIntMethod", true, "I").integer);
}

void JNICALL callVoidMethodV(JNIEnv* env, jobject object, jmethodID method, va_list args) {
    Thread& thread = enter(env, "CallVoidMethod");
    Object* self = objectOf(object, "CallVoidMethod", "java/lang/Object");
    call(thread, nullptr, self, method, args, "CallVoidMethod", false, "V");
}

jobject JNICALL callObjectMethodV(JNIEnv* env, jobject object, jmethodID method, va_list args) {
    Thread& thread = enter(env, "CallObjectMethod");
    Object* self = objectOf(object, "CallObjectMethod", "java/lang/Object");
    return newLocal(call(thread, nullptr, self, method, args, "CallObjectMethod", false, "L[").object);
}

// The "..." forms hand their arguments to the va_list forms.
jint JNICALL callStaticIntMethod(JNIEnv* env, jclass clazz, jmethodID method, ...) {
    va_list args;
    va_start(args, method);
    jint result = callStaticIntMethodV(env, clazz, method, args);
    va_end(args);
    return result;
}

jobject JNICALL callStaticObjectMethod(JNIEnv* env, jclass clazz, jmethodID method, ...) {
    va_list args;
    va_start(args, method);
    jobject result = callStaticObjectMethodV(env, clazz, method, args);
    va_end(args);
    return result;
}

void JNICALL callStaticVoidMethod(JNIEnv* env, jclass clazz, jmethodID method, ...) {
    va_list args;
    va_start(args, method);
    callStaticVoidMethodV(env, clazz, method, args);
    va_end(args);
}

jobject JNICALL callObjectMethod(JNIEnv* env, jobject object, jmethodID method, ...) {
    va_list args;
    va_start(args, method);
    jobject result = callObjectMethodV(env, object, method, args);
    va_end(args);
    return result;
}

void JNICALL callVoidMethod(JNIEnv* env, jobject object, jmethodID method, ...) {
    va_list args;
    va_start(args, method);
    callVoidMethodV(env, object, method, args);
    va_end(args);
}

void JNICALL deleteLocalRef(JNIEnv* env, jobject object) {
    enter(env, "DeleteLocalRef", true);
    deleteLocal(object, "DeleteLocalRef");
}

jint JNICALL throwException(JNIEnv* env, jthrowable exception) {
    Thread& thread = enter(env, "Throw");
    thread.pending = objectOf(exception, "Throw", "java/lang/Throwable");
    return JNI_OK;
}

jthrowable JNICALL exceptionOccurred(JNIEnv* env) {
    return static_cast<jthrowable>(newLocal(enter(env, "ExceptionOccurred", true).pending));
}

jboolean JNICALL exceptionCheck(JNIEnv* env) {
    return enter(env, "ExceptionCheck", true).pending ? JNI_TRUE : JNI_FALSE;
}

void JNICALL exceptionClear(JNIEnv* env) { enter(env, "ExceptionClear", true).pending = nullptr; }

void JNICALL exceptionDescribe(JNIEnv* env) {
    Thread& thread = enter(env, "ExceptionDescribe", true);
    if (thread.pending) describePending(thread, "ExceptionDescribe");
}

JNINativeInterface_ makeNativeInterface() {
    auto table = unimplementedInterface<JNINativeInterface_, SlotTable::Native>(std::make_index_sequence<kNativeSlotCount>{});
    table.FindClass = findClass;
    table.GetMethodID = getMethodId;
    table.GetStaticMethodID = getStaticMethodId;
    table.GetObjectClass = getObjectClass;
    table.NewObject = newObject;
    table.NewObjectV = newObjectV;
    table.NewCharArray = newCharArray;
    table.SetCharArrayRegion = setCharArrayRegion;
    table.NewObjectArray = newObjectArray;
    table.SetObjectArrayElement = setObjectArrayElement;
    table.GetStringLength = getStringLength;
    table.GetStringChars = getStringChars;
    table.ReleaseStringChars = releaseStringChars;
    table.GetStringUTFChars = getStringUtfChars;
    table.ReleaseStringUTFChars = releaseStringUtfChars;
    table.CallStaticVoidMethod = callStaticVoidMethod;
    table.CallStaticVoidMethodV = callStaticVoidMethodV;
    table.CallStaticObjectMethod = callStaticObjectMethod;
    table.CallStaticObjectMethodV = callStaticObjectMethodV;
    table.CallStaticIntMethod = callStaticIntMethod;
    table.CallStaticIntMethodV = callStaticIntMethodV;
    table.CallVoidMethod = callVoidMethod;
    table.CallVoidMethodV = callVoidMethodV;
    table.CallObjectMethod = callObjectMethod;
    table.CallObjectMethodV = callObjectMethodV;
    table.DeleteLocalRef = deleteLocalRef;
    table.Throw = throwException;
    table.ExceptionOccurred = exceptionOccurred;
    table.ExceptionCheck = exceptionCheck;
    table.ExceptionClear = exceptionClear;
    table.ExceptionDescribe = exceptionDescribe;
    return table;
}

} // namespace

const JNINativeInterface_* nativeInterface() {
    static const JNINativeInterface_ table = makeNativeInterface();
    return &table;
}

} // namespace standin
