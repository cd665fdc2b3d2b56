// Item identifier lists: how the folder tree names every folder, the desktop (the root of the
// namespace) included.
//
// A list is a run of identifiers, each starting with an unsigned 16-bit little-endian byte count
// that includes the count itself, followed by opaque bytes; a count of 0 ends the list. The list
// made of the terminator alone is the empty list, the desktop. An absolute list names an item
// from the desktop down; a relative list holds one identifier, read by the item's parent folder.
// Lists are allocated and freed through the shared allocator (SharedMalloc), never through new
// or malloc, so that any holder can ask the allocator how large a list's block is.
#pragma once

#include "shell/shellobject.h"

#include <QString>
#include <cstddef>
#include <cstdint>

namespace pix {

/// One identifier: the count, then count - 2 opaque bytes. Only ever seen through a pointer
/// into a list; never aligned, so the count is read byte by byte (IdCount).
struct ItemId {
    uint8_t cb[2];
    uint8_t abID[1];
};

/// A list starts with its first identifier.
struct ItemIdList {
    ItemId mkid;
};

/// The byte count at the start of an identifier (0 for the terminator).
uint16_t IdCount(const ItemIdList* list);

/// The allocator of identifier lists and display-name strings: alloc, free and the size of an
/// allocated block. Free of null is harmless; GetSize of null answers SIZE_MAX.
class ShellAllocator : public ShellObject {
public:
    void* Alloc(std::size_t bytes);
    void Free(void* block);
    std::size_t GetSize(const void* block) const;
    /// Blocks handed out and not yet freed (for leak checks).
    std::size_t Outstanding() const { return outstanding_; }

private:
    std::size_t outstanding_ = 0;
};

/// The process-wide allocator. Acquire adds a reference to the one held (creating it when none
/// is); Release drops one, and the allocator is gone once the last is dropped.
ShellAllocator* AcquireSharedMalloc();
void ReleaseSharedMalloc();

/// Holds SharedMalloc for a scope: every operation that allocates or frees brackets its work
/// with one acquire and one release.
class MallocScope {
public:
    MallocScope() : malloc_(AcquireSharedMalloc()) {}
    ~MallocScope() { ReleaseSharedMalloc(); }
    MallocScope(const MallocScope&) = delete;
    MallocScope& operator=(const MallocScope&) = delete;
    ShellAllocator* operator->() const { return malloc_; }

private:
    ShellAllocator* malloc_;
};

/// 0 for null; otherwise the sum of the identifiers' counts, without the 2-byte terminator.
uint32_t IdListSize(const ItemIdList* list);
/// The identifier after the first, or null (null input, empty list, or nothing follows).
const ItemIdList* IdListNext(const ItemIdList* list);
/// The last identifier; the input itself for the empty list or a one-identifier list.
const ItemIdList* IdListLast(const ItemIdList* list);
/// A new list: the identifiers of first, then those of second (null contributes nothing).
/// Null when both are null or the allocation fails.
ItemIdList* IdListConcat(const ItemIdList* first, const ItemIdList* second);
/// A new copy of a list that came from SharedMalloc: the whole block, as large as the allocator
/// reports it. Null for null.
ItemIdList* IdListCopy(const ItemIdList* list);
/// The file-system path of an absolute list; empty for the desktop and for any list that
/// names no folder on disk.
QString IdListPath(const ItemIdList* list);

} // namespace pix
