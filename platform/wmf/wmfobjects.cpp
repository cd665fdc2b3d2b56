#include "platform/wmf/wmfobjects.h"

namespace pix::wmf {

namespace {
constexpr std::size_t MaxObjects = 65536; // indices are 16-bit
}

QColor colorRef(std::uint32_t value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

std::optional<int> ObjectTable::add(GdiObject object) {
    if (!free_.empty()) {
        const int index = free_.top();
        free_.pop();
        slots_[std::size_t(index)] = std::move(object);
        return index;
    }
    if (slots_.size() >= MaxObjects)
        return std::nullopt;
    slots_.emplace_back(std::move(object));
    return int(slots_.size() - 1);
}

void ObjectTable::remove(int index) {
    if (index < 0 || std::size_t(index) >= slots_.size() || !slots_[std::size_t(index)])
        return;
    slots_[std::size_t(index)].reset();
    free_.push(index);
}

const GdiObject* ObjectTable::find(int index) const {
    if (index < 0 || std::size_t(index) >= slots_.size() || !slots_[std::size_t(index)])
        return nullptr;
    return &*slots_[std::size_t(index)];
}

} // namespace pix::wmf
