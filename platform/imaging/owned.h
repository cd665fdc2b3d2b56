// One object of a C codec library (a libheif context, a libavif encoder, a libjxl decoder, ...),
// released with the library's own function when the holder goes. Holders move but never copy, so
// an object is released exactly once; `out()` hands the holder to a library function that
// creates the object through a pointer argument.
#pragma once

#include <utility>

namespace pix::imaging {

template <typename T, auto Release> class Owned {
public:
    Owned() = default;
    explicit Owned(T* object) : object_(object) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    Owned& operator=(Owned&& other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    ~Owned() { reset(); }

    T* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    T* operator->() const { return object_; }
    void reset(T* object = nullptr) {
        if (object_)
            Release(object_);
        object_ = object;
    }
    /// Where a library function writes the object it creates; the one held before is released.
    T** out() {
        reset();
        return &object_;
    }

private:
    T* object_ = nullptr;
};

} // namespace pix::imaging
