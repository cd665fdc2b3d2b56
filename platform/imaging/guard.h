// Keeps exceptions inside the imaging service: an allocation that fails deep inside a library
// or a container becomes a status like any other failure.
#pragma once

#include "platform/imaging/status.h"

#include <exception>
#include <new>

namespace pix::imaging {

template <typename Operation> Status guarded(Operation&& operation) noexcept {
    try {
        return operation();
    } catch (const std::bad_alloc&) {
        return Status::OutOfMemory;
    } catch (...) {
        return Status::InvalidParameter;
    }
}

} // namespace pix::imaging
