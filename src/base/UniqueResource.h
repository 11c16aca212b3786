#pragma once
// One owner type for every platform handle. A traits type names the handle
// type, the value that means "none" for that API (null versus
// INVALID_HANDLE_VALUE, -1 for a descriptor) and the call that releases it.

#include <utility>

namespace launcher {

template <typename Traits>
class UniqueResource {
public:
    using Value = typename Traits::Value;

    UniqueResource() = default;
    explicit UniqueResource(Value value) : value_(value) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueResource() { reset(); }

    Value get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::empty(); }
    Value release() { return std::exchange(value_, Traits::empty()); }
    void reset(Value value = Traits::empty()) {
        Value old = std::exchange(value_, value);
        if (old != Traits::empty()) Traits::close(old);
    }

private:
    Value value_ = Traits::empty();
};

// Traits for a handle whose empty value is a null pointer.
template <typename T, void (*Close)(T)>
struct NullEmptyTraits {
    using Value = T;
    static Value empty() { return Value{}; }
    static void close(Value v) { Close(v); }
};

// Runs a callable when the scope ends, unless dismissed.
template <typename F>
class ScopeExit {
public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() { if (active_) f_(); }
    void dismiss() { active_ = false; }

private:
    F f_;
    bool active_ = true;
};

} // namespace launcher
