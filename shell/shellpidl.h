// Owners of identifier lists and of display names read from a folder.
#pragma once

#include "shell/idlist.h"

#include <QString>
#include <utility>

namespace pix {

/// A plain holder of one pointer, null when it holds none.
template <class T> class TSharedObject {
public:
    T* get() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

protected:
    T* ptr_ = nullptr;
};

/// Owns one identifier list and frees it through SharedMalloc. Not copyable: a second owner
/// gets its own copy (IdListCopy).
class CShellPidl : public TSharedObject<ItemIdList> {
public:
    CShellPidl() = default;
    explicit CShellPidl(ItemIdList* list) { ptr_ = list; }
    CShellPidl(CShellPidl&& other) noexcept { ptr_ = std::exchange(other.ptr_, nullptr); }
    CShellPidl& operator=(CShellPidl&& other) noexcept {
        reset(std::exchange(other.ptr_, nullptr));
        return *this;
    }
    CShellPidl(const CShellPidl&) = delete;
    CShellPidl& operator=(const CShellPidl&) = delete;
    virtual ~CShellPidl() { reset(); }

    /// Frees the held list and takes list instead.
    void reset(ItemIdList* list = nullptr);
    /// Gives up the list without freeing it.
    ItemIdList* release() { return std::exchange(ptr_, nullptr); }
};

/// A display name as a folder answers it (the Shell's STRRET): a type, then either a wide string
/// from SharedMalloc (type 0), an offset from the start of the asked identifier to an 8-bit
/// string (type 1), or the string itself (type 2).
struct StrRet {
    enum Type : uint32_t { WideString = 0, Offset = 1, Inline = 2 };
    uint32_t uType = WideString;
    union {
        char16_t* pOleStr;
        uint32_t uOffset;
        char cStr[260];
    };
};

/// Holds one display name together with a private copy of the identifier it was asked for, so
/// that a name given as an offset into the identifier stays readable for as long as the name.
class CShellString {
public:
    CShellString() { name_.pOleStr = nullptr; }
    CShellString(const CShellString&) = delete;
    CShellString& operator=(const CShellString&) = delete;
    virtual ~CShellString() { Reset(); }

    /// Forgets the old name, keeps a copy of relativeId and answers the record to be filled by
    /// the folder's GetDisplayNameOf. The tree always asks with type 0.
    StrRet* Bind(const ItemIdList* relativeId, uint32_t type);
    /// The name as text (UTF-8 for the 8-bit types); empty for a null wide string, an offset
    /// outside the identifier or an unknown type.
    QString ToString() const;
    /// Frees a wide string and clears the whole record.
    void Reset();

    const ItemIdList* idList() const { return idList_.get(); }

private:
    CShellPidl idList_;
    StrRet name_;
};

} // namespace pix
