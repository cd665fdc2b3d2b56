#include "shell/idlist.h"

#include "shell/itemid.h"

#include <QFile>
#include <cstdlib>
#include <cstring>
#include <new>

namespace pix {

namespace {

// Every block starts with its size, padded so that the caller's bytes stay aligned for any type.
constexpr std::size_t kHeader = alignof(std::max_align_t);
// No identifier list comes near this; a larger request is a fault, not a list.
constexpr std::size_t kLargestBlock = std::size_t(1) << 28;

ShellAllocator* sharedMalloc = nullptr;

} // namespace

uint16_t IdCount(const ItemIdList* list) {
    const uint8_t* bytes = list->mkid.cb;
    return uint16_t(bytes[0] | (bytes[1] << 8));
}

void* ShellAllocator::Alloc(std::size_t bytes) {
    if (bytes > kLargestBlock)
        return nullptr;
    auto* raw = static_cast<unsigned char*>(std::malloc(kHeader + bytes));
    if (!raw)
        return nullptr;
    std::memcpy(raw, &bytes, sizeof bytes);
    ++outstanding_;
    return raw + kHeader;
}

void ShellAllocator::Free(void* block) {
    if (!block)
        return;
    --outstanding_;
    std::free(static_cast<unsigned char*>(block) - kHeader);
}

std::size_t ShellAllocator::GetSize(const void* block) const {
    if (!block)
        return SIZE_MAX;
    std::size_t bytes = 0;
    std::memcpy(&bytes, static_cast<const unsigned char*>(block) - kHeader, sizeof bytes);
    return bytes;
}

ShellAllocator* AcquireSharedMalloc() {
    if (sharedMalloc)
        sharedMalloc->AddRef();
    else
        sharedMalloc = new ShellAllocator;
    return sharedMalloc;
}

void ReleaseSharedMalloc() {
    if (sharedMalloc && sharedMalloc->Release() == 0)
        sharedMalloc = nullptr;
}

uint32_t IdListSize(const ItemIdList* list) {
    uint32_t size = 0;
    if (!list)
        return 0;
    for (uint16_t count = IdCount(list); count != 0; count = IdCount(list)) {
        size += count;
        list = reinterpret_cast<const ItemIdList*>(reinterpret_cast<const uint8_t*>(list) + count);
    }
    return size;
}

const ItemIdList* IdListNext(const ItemIdList* list) {
    if (!list)
        return nullptr;
    const uint16_t count = IdCount(list);
    if (count == 0)
        return nullptr;
    const auto* next =
        reinterpret_cast<const ItemIdList*>(reinterpret_cast<const uint8_t*>(list) + count);
    return IdCount(next) == 0 ? nullptr : next;
}

const ItemIdList* IdListLast(const ItemIdList* list) {
    const ItemIdList* last = list;
    for (const ItemIdList* next = IdListNext(list); next; next = IdListNext(next))
        last = next;
    return last;
}

ItemIdList* IdListConcat(const ItemIdList* first, const ItemIdList* second) {
    if (!first && !second)
        return nullptr;
    const uint32_t size1 = IdListSize(first);
    const uint32_t size2 = IdListSize(second);
    MallocScope malloc;
    auto* bytes = static_cast<uint8_t*>(malloc->Alloc(std::size_t(size1) + size2 + 2));
    if (!bytes)
        return nullptr;
    if (size1)
        std::memcpy(bytes, first, size1);
    if (size2)
        std::memcpy(bytes + size1, second, size2);
    bytes[size1 + size2] = 0;
    bytes[size1 + size2 + 1] = 0;
    return reinterpret_cast<ItemIdList*>(bytes);
}

ItemIdList* IdListCopy(const ItemIdList* list) {
    if (!list)
        return nullptr;
    MallocScope malloc;
    const std::size_t size = malloc->GetSize(list);
    void* copy = malloc->Alloc(size);
    if (copy)
        std::memcpy(copy, list, size);
    return static_cast<ItemIdList*>(copy);
}

QString IdListPath(const ItemIdList* list) {
    if (!list || IdCount(list) == 0)
        return {};
    // The first identifier carries the absolute path of a desktop child; the others add one
    // folder name each.
    QByteArray path = ItemIdPath(list);
    if (path.isEmpty())
        return {};
    for (const ItemIdList* id = IdListNext(list); id; id = IdListNext(id)) {
        const QByteArray name = ItemIdName(id);
        if (name.isEmpty())
            return {};
        if (!path.endsWith('/'))
            path += '/';
        path += name;
    }
    return QFile::decodeName(path);
}

} // namespace pix
