#include "jobs/outputnaming.h"

#include <array>
#include <atomic>

namespace pix {

namespace {

enum Slot { kSlotBitmap, kSlotJpeg, kSlotGif, kSlotPng, kSlotTiff, kSlotCount, kNoSlot = -1 };

struct FormatEntry {
    int formatCode;
    const char* extension;
    const char* mimeType;
    Slot slot;
};

// Written formats, in the order "Remain Original" tests a source's extension.
constexpr std::array<FormatEntry, 5> kFormats = {{
    {kFormatJpg, "jpg", "image/jpeg", kSlotJpeg},
    {kFormatGif, "gif", "image/gif", kSlotGif},
    {kFormatTiff, "tif", "image/tiff", kSlotTiff},
    {kFormatPng, "png", "image/png", kSlotPng},
    {kFormatBitmap, "bmp", "image/bmp", kSlotBitmap},
}};

// Other spellings of a kept format's extension.
struct Alias {
    const char* extension;
    Slot slot;
};
constexpr std::array<Alias, 4> kAliases = {{
    {"jpeg", kSlotJpeg},
    {"jpe", kSlotJpeg},
    {"jfif", kSlotJpeg},
    {"tiff", kSlotTiff},
}};

const FormatEntry* entryForCode(int formatCode) {
    for (const FormatEntry& entry : kFormats) {
        if (entry.formatCode == formatCode)
            return &entry;
    }
    return nullptr;
}

const char* mimeTypeOf(Slot slot) {
    for (const FormatEntry& entry : kFormats) {
        if (entry.slot == slot)
            return entry.mimeType;
    }
    return "";
}

Slot slotForExtension(const QString& extension) {
    for (const FormatEntry& entry : kFormats) {
        if (extension.compare(QLatin1String(entry.extension), Qt::CaseInsensitive) == 0)
            return entry.slot;
    }
    for (const Alias& alias : kAliases) {
        if (extension.compare(QLatin1String(alias.extension), Qt::CaseInsensitive) == 0)
            return alias.slot;
    }
    return kNoSlot;
}

// Filled the first time each encoder is needed and kept until the program ends. Slots are
// atomic because the batch run encodes on several threads.
std::array<std::atomic<int>, kSlotCount> encoderCache{};

imaging::EncoderId cachedEncoder(Slot slot) {
    int value = encoderCache[slot].load(std::memory_order_relaxed);
    if (value == 0) {
        value = LookUpEncoder(QLatin1String(mimeTypeOf(slot))).value;
        encoderCache[slot].store(value, std::memory_order_relaxed);
    }
    return imaging::EncoderId{value};
}

QString fileNamePart(const QString& name) {
    return name.toLower();
}

} // namespace

// At least three digits, zero-padded, the sign in front: 7 gives "007", 1234 stays "1234",
// -7 gives "-007" (as printf's "%.3d" writes them).
QString threeDigits(qint64 number) {
    const QString digits = QString::number(qAbs(number)).rightJustified(3, u'0');
    return number < 0 ? u'-' + digits : digits;
}

QString GetOutputExtension(const JobItem& item, int formatCode) {
    if (const FormatEntry* entry = entryForCode(formatCode))
        return QLatin1String(entry->extension);
    const QString& name = item.source.fileName;
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString BuildOutputPath(const JobItem& item, const QString& rowName) {
    const QString& folder = item.output.folder;
    const QString extension = GetOutputExtension(item, item.output.formatCode);
    if (!item.output.prefix.isEmpty()) {
        const QString separator =
            folder.isEmpty() || folder.endsWith(u'/') ? QString() : QStringLiteral("/");
        return folder + separator +
               fileNamePart(item.output.prefix + threeDigits(item.output.startNumber) + u'.' +
                            extension);
    }
    // An empty folder means the current one, as for the source, never the file-system root.
    const QString joined = folder.isEmpty() ? QString() : folder + u'/';
    const qsizetype dot = rowName.lastIndexOf(u'.');
    if (dot < 0)
        return joined + fileNamePart(rowName);
    return joined + fileNamePart(rowName.left(dot) + u'.' + extension);
}

imaging::EncoderId LookUpEncoder(const QString& mimeType) {
    return imaging::findEncoderByMimeType(mimeType);
}

imaging::EncoderId ChooseEncoder(const JobItem& item) {
    const int code = item.output.formatCode;
    if (code == 4 || code == 6)
        return {};
    if (const FormatEntry* entry = entryForCode(code))
        return cachedEncoder(entry->slot);
    const Slot slot = slotForExtension(GetOutputExtension(item, kFormatRemainOriginal));
    return slot == kNoSlot ? imaging::EncoderId{} : cachedEncoder(slot);
}

std::optional<int> EncoderQuality(const JobItem& item, imaging::EncoderId encoder) {
    if (item.output.formatCode == kFormatJpg ||
        (!encoder.isNull() && encoder == cachedEncoder(kSlotJpeg)))
        return item.output.quality;
    return std::nullopt;
}

} // namespace pix
