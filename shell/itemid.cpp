#include "shell/itemid.h"

#include <cstring>
#include <limits>

namespace pix {

namespace {

ItemIdList* makeId(ItemKind kind, uint8_t flags, const QByteArray& body) {
    const std::size_t count = kItemNameOffset + std::size_t(body.size());
    if (count > std::numeric_limits<uint16_t>::max())
        return nullptr;
    MallocScope malloc;
    auto* bytes = static_cast<uint8_t*>(malloc->Alloc(count + 2));
    if (!bytes)
        return nullptr;
    bytes[0] = uint8_t(count & 0xff);
    bytes[1] = uint8_t(count >> 8);
    bytes[2] = uint8_t(kind);
    bytes[3] = flags;
    std::memcpy(bytes + kItemNameOffset, body.constData(), std::size_t(body.size()));
    bytes[count] = 0;
    bytes[count + 1] = 0;
    return reinterpret_cast<ItemIdList*>(bytes);
}

// The index-th NUL-terminated string of the identifier's body, or null when the identifier
// holds no such complete string.
QByteArray bodyString(const ItemIdList* id, int index) {
    const uint16_t count = id ? IdCount(id) : 0;
    if (count <= kItemNameOffset)
        return {};
    const auto* bytes = reinterpret_cast<const char*>(id);
    const char* at = bytes + kItemNameOffset;
    const char* end = bytes + count;
    for (;;) {
        const auto* nul = static_cast<const char*>(std::memchr(at, 0, std::size_t(end - at)));
        if (!nul)
            return {};
        if (index-- == 0)
            return QByteArray(at, nul - at);
        at = nul + 1;
    }
}

bool isPlace(ItemKind kind) {
    return kind == ItemKind::Home || kind == ItemKind::Root || kind == ItemKind::Media;
}

} // namespace

ItemIdList* MakeFolderId(const QByteArray& name, uint8_t flags) {
    if (name.isEmpty() || name.contains('\0'))
        return nullptr;
    return makeId(ItemKind::Folder, flags, name + '\0');
}

ItemIdList* MakePlaceId(ItemKind kind, const QByteArray& path, const QString& displayName,
                        uint8_t flags) {
    if (!isPlace(kind) || path.isEmpty() || path.contains('\0'))
        return nullptr;
    return makeId(kind, flags, path + '\0' + displayName.toUtf8() + '\0');
}

ItemKind ItemIdKind(const ItemIdList* id) {
    if (!id || IdCount(id) <= kItemNameOffset)
        return ItemKind::None;
    const auto kind = ItemKind(reinterpret_cast<const uint8_t*>(id)[2]);
    return isPlace(kind) || kind == ItemKind::Folder ? kind : ItemKind::None;
}

uint8_t ItemIdFlags(const ItemIdList* id) {
    return ItemIdKind(id) == ItemKind::None ? 0 : reinterpret_cast<const uint8_t*>(id)[3];
}

QByteArray ItemIdName(const ItemIdList* id) {
    return ItemIdKind(id) == ItemKind::Folder ? bodyString(id, 0) : QByteArray();
}

QByteArray ItemIdPath(const ItemIdList* id) {
    return isPlace(ItemIdKind(id)) ? bodyString(id, 0) : QByteArray();
}

QString ItemIdPlaceName(const ItemIdList* id) {
    return isPlace(ItemIdKind(id)) ? QString::fromUtf8(bodyString(id, 1)) : QString();
}

} // namespace pix
