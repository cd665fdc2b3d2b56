// Reference counting for the objects of the namespace layer (folders, enumerators, the
// allocator). Counts are kept by hand, as the shared services' acquire and release rule needs
// to see when the last reference goes; ShellRef holds one reference for a scope.
#pragma once

#include <atomic>
#include <utility>

namespace pix {

class ShellObject {
public:
    ShellObject() = default;
    ShellObject(const ShellObject&) = delete;
    ShellObject& operator=(const ShellObject&) = delete;

    unsigned AddRef() { return ++refs_; }
    /// Drops one reference and answers how many remain; the object is gone when that is 0.
    unsigned Release() {
        const unsigned left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    virtual ~ShellObject() = default;

private:
    std::atomic<unsigned> refs_{1}; // the creator's reference
};

/// One counted reference. Adopt takes over a reference the caller already owns (a fresh
/// object, or one handed out by an operation); copying adds a reference.
template <class T> class ShellRef {
public:
    ShellRef() = default;
    static ShellRef Adopt(T* object) {
        ShellRef ref;
        ref.ptr_ = object;
        return ref;
    }
    static ShellRef Share(T* object) {
        if (object)
            object->AddRef();
        return Adopt(object);
    }
    ShellRef(const ShellRef& other) : ptr_(other.ptr_) {
        if (ptr_)
            ptr_->AddRef();
    }
    ShellRef(ShellRef&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ShellRef& operator=(ShellRef other) noexcept {
        std::swap(ptr_, other.ptr_);
        return *this;
    }
    ~ShellRef() { reset(); }

    void reset() {
        if (T* old = std::exchange(ptr_, nullptr))
            old->Release();
    }
    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

private:
    T* ptr_ = nullptr;
};

} // namespace pix
