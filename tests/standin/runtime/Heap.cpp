#include "runtime/Runtime.h"

#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_set>

namespace standin {

namespace {

// A local reference is a slot of its own, so a reference used after
// DeleteLocalRef, or on another thread, is caught rather than followed.
struct Ref {
    Object* object;
    std::thread::id owner;
    bool live;
};

struct Heap {
    std::mutex lock;
    std::vector<std::unique_ptr<Object>> objects;
    std::deque<Ref> refs;
    std::unordered_set<const Ref*> known;
};

// Never destroyed: System.exit may end the process while other threads
// still hold objects.
Heap& heap() {
    static auto* instance = new Heap;
    return *instance;
}

Ref* checkedRef(jobject reference, std::string_view function) {
    auto* ref = reinterpret_cast<Ref*>(reference);
    if (!heap().known.count(ref)) fatal(std::string(function) + ": not a reference this runtime gave out");
    if (!ref->live) fatal(std::string(function) + ": local reference used after it was deleted or its thread detached");
    if (ref->owner != std::this_thread::get_id()) fatal(std::string(function) + ": local reference of another thread");
    return ref;
}

} // namespace

Object* allocate(const ClassDef* type) {
    auto object = std::make_unique<Object>();
    object->type = type;
    std::lock_guard guard(heap().lock);
    heap().objects.push_back(std::move(object));
    return heap().objects.back().get();
}

Object* newString(std::u16string text) {
    Object* string = allocate(findClassDef("java/lang/String"));
    string->text = std::move(text);
    return string;
}

void raise(std::string_view className, std::u16string message, std::string where) {
    const ClassDef* type = findClassDef(className);
    if (!type) fatal("no exception class " + std::string(className));
    Object* exception = allocate(type);
    exception->text = std::move(message);
    exception->where = std::move(where);
    currentThread().pending = exception;
}

jobject newLocal(Object* object) {
    if (!object) return nullptr;
    std::lock_guard guard(heap().lock);
    heap().refs.push_back({object, std::this_thread::get_id(), true});
    Ref* ref = &heap().refs.back();
    heap().known.insert(ref);
    auto reference = reinterpret_cast<jobject>(ref);
    currentThread().locals.push_back(reference);
    return reference;
}

Object* resolve(jobject reference, std::string_view function) {
    if (!reference) return nullptr;
    std::lock_guard guard(heap().lock);
    return checkedRef(reference, function)->object;
}

void deleteLocal(jobject reference, std::string_view function) {
    if (!reference) return;
    std::lock_guard guard(heap().lock);
    checkedRef(reference, function)->live = false;
}

void forgetLocals(Thread& thread) {
    std::lock_guard guard(heap().lock);
    for (jobject reference : thread.locals) reinterpret_cast<Ref*>(reference)->live = false;
    thread.locals.clear();
}

void closeFiles() {
    std::lock_guard guard(heap().lock);
    for (auto& object : heap().objects) {
        if (object->file) std::fclose(object->file);
        object->file = nullptr;
    }
}

} // namespace standin
