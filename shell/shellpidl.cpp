#include "shell/shellpidl.h"

#include <cstring>

namespace pix {

void CShellPidl::reset(ItemIdList* list) {
    if (ptr_ && ptr_ != list) {
        MallocScope malloc;
        malloc->Free(ptr_);
    }
    ptr_ = list;
}

StrRet* CShellString::Bind(const ItemIdList* relativeId, uint32_t type) {
    Reset();
    idList_.reset(IdListConcat(relativeId, nullptr));
    name_.uType = type;
    return &name_;
}

QString CShellString::ToString() const {
    switch (name_.uType) {
    case StrRet::WideString:
        return name_.pOleStr ? QString::fromUtf16(name_.pOleStr) : QString();
    case StrRet::Offset: {
        // The string must lie wholly inside the identifier copy.
        const uint32_t size = IdListSize(idList_.get());
        if (name_.uOffset >= size)
            return {};
        const char* at = reinterpret_cast<const char*>(idList_.get()) + name_.uOffset;
        const auto* nul = static_cast<const char*>(std::memchr(at, 0, size - name_.uOffset));
        return nul ? QString::fromUtf8(at, nul - at) : QString();
    }
    case StrRet::Inline:
        return QString::fromUtf8(name_.cStr, qsizetype(strnlen(name_.cStr, sizeof name_.cStr)));
    default:
        return {};
    }
}

void CShellString::Reset() {
    if (name_.uType == StrRet::WideString && name_.pOleStr) {
        MallocScope malloc;
        malloc->Free(name_.pOleStr);
    }
    name_.uType = 0;
    std::memset(name_.cStr, 0, sizeof name_.cStr);
}

} // namespace pix
