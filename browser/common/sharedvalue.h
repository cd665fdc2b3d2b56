// A value that one thread may replace while others read it. Readers get a copy; for Qt's
// implicitly shared containers that copy is cheap and stays valid after the value changes.
#pragma once

#include <mutex>
#include <utility>

namespace pix {

template <typename T> class SharedValue {
public:
    T get() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return value_;
    }
    void set(T value) {
        // The old value ends up in the argument and is released after the lock.
        std::lock_guard<std::mutex> lock(mutex_);
        std::swap(value_, value);
    }

private:
    mutable std::mutex mutex_;
    T value_{};
};

} // namespace pix
