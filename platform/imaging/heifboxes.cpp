#include "platform/imaging/heifboxes.h"

#include "platform/imaging/picture.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <vector>

namespace pix::imaging {

namespace {

// Bounds of what the reader takes on; a file beyond them is left to libheif.
constexpr std::uint64_t kMaxMetaBytes = 1 << 20;
constexpr int kMaxTopLevelBoxes = 1024;
constexpr std::size_t kMaxItems = 4096;
constexpr std::size_t kMaxProperties = 4096;
constexpr unsigned kMaxExtents = 16;

// A bounds-checked reader of big-endian fields; once a read fails, every later one does too.
class Fields {
public:
    Fields(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    std::size_t left() const { return ok_ ? size_ - at_ : 0; }
    const unsigned char* here() const { return data_ + at_; }

    // An unsigned field of 0, 1, 2, 4 or 8 bytes (0 reads as 0).
    std::uint64_t read(unsigned bytes) {
        if (!ok_ || bytes > left() ||
            (bytes != 0 && bytes != 1 && bytes != 2 && bytes != 4 && bytes != 8)) {
            ok_ = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (unsigned i = 0; i < bytes; ++i)
            value = (value << 8) | data_[at_ + i];
        at_ += bytes;
        return value;
    }
    std::uint32_t u8() { return std::uint32_t(read(1)); }
    std::uint32_t u16() { return std::uint32_t(read(2)); }
    std::uint32_t u32() { return std::uint32_t(read(4)); }
    bool skip(std::size_t bytes) {
        if (!ok_ || bytes > left())
            return ok_ = false;
        at_ += bytes;
        return true;
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

struct Box {
    char type[5] = {};
    const unsigned char* body = nullptr; // after the header
    std::size_t size = 0;                // of the body

    bool is(const char* name) const { return std::memcmp(type, name, 4) == 0; }
    // The body after a full box's version and flags.
    Fields fullBody(std::uint32_t& version, std::uint32_t& flags) const {
        Fields fields(body, size);
        const std::uint32_t word = fields.u32();
        version = word >> 24;
        flags = word & 0xFFFFFF;
        return fields;
    }
};

enum class Next { Box, End, Bad };

// The next box among a parent's children, which fill the parent's body to its end.
Next nextBox(Fields& parent, Box& box) {
    if (parent.left() == 0)
        return parent.ok() ? Next::End : Next::Bad;
    const unsigned char* start = parent.here();
    const std::size_t room = parent.left();
    std::uint64_t size = parent.u32();
    std::memcpy(box.type, parent.here(), std::min<std::size_t>(4, parent.left()));
    parent.skip(4);
    std::size_t header = 8;
    if (size == 1) {
        size = parent.read(8);
        header = 16;
    }
    // A size of 0 ("to the end of the file") is only for the file's last box.
    if (!parent.ok() || size < header || size > room)
        return Next::Bad;
    box.body = start + header;
    box.size = std::size_t(size) - header;
    parent.skip(box.size);
    return Next::Box;
}

// Visits the children of a box in order; false when one is malformed or the visit says so.
template <typename Visit> bool eachChild(Fields fields, Visit&& visit) {
    Box box;
    for (;;) {
        switch (nextBox(fields, box)) {
        case Next::End:
            return true;
        case Next::Bad:
            return false;
        case Next::Box:
            if (!visit(box))
                return false;
        }
    }
}

bool takeOnce(const Box& box, const char* name, std::optional<Box>& slot, bool& twice) {
    if (!box.is(name))
        return false;
    twice = twice || slot.has_value();
    slot = box;
    return true;
}

struct Item {
    std::uint32_t id = 0;
    char type[4] = {};
    bool hidden = false;
    bool hasData = false;    // "iloc" gives it at least one extent
    bool associated = false; // "ipma" lists it

    bool is(const char* name) const { return std::memcmp(type, name, 4) == 0; }
    bool isMetadata() const { return is("Exif") || is("mime") || is("uri "); }
    bool isCoded() const { return is("hvc1") || is("av01"); }
};

struct Association {
    std::uint32_t item = 0;
    std::uint32_t index = 0; // into the properties, from 1
};

// What the "meta" box says about its items, as far as measuring needs it.
struct Meta {
    std::vector<Item> items;
    std::vector<Box> properties; // "ipco"'s children
    std::vector<Association> associations;
    std::vector<std::uint32_t> auxiliary; // items that are another's alpha or depth

    Item* find(std::uint64_t id) {
        const auto found =
            std::find_if(items.begin(), items.end(), [&](const Item& i) { return i.id == id; });
        return found == items.end() ? nullptr : &*found;
    }
    bool hasProperty(std::uint32_t item, const char* type) const {
        return std::any_of(associations.begin(), associations.end(), [&](const Association& a) {
            return a.item == item && properties[a.index - 1].is(type);
        });
    }
};

// A picture's handler with its name ended as libheif needs it.
bool isPictureHandler(const Box& hdlr) {
    constexpr std::size_t kName = 24; // version and flags, pre_defined, type, reserved
    return hdlr.size > kName && std::memcmp(hdlr.body + 8, "pict", 4) == 0 &&
           std::memchr(hdlr.body + kName, 0, hdlr.size - kName) != nullptr;
}

// The items the "iinf" box declares, as many as it counts; false when it is malformed or an
// item is protected or declared twice.
bool readItems(const Box& iinf, Meta& meta) {
    std::uint32_t version = 0, flags = 0;
    Fields fields = iinf.fullBody(version, flags);
    const std::uint64_t count = fields.read(version == 0 ? 2 : 4);
    if (!fields.ok() || count > kMaxItems)
        return false;
    Box box;
    while (meta.items.size() < count) {
        if (nextBox(fields, box) != Next::Box)
            return false;
        if (!box.is("infe"))
            continue;
        std::uint32_t infeVersion = 0, infeFlags = 0;
        Fields entry = box.fullBody(infeVersion, infeFlags);
        if (infeVersion < 2 || infeVersion > 3)
            return false;
        Item item;
        item.id = std::uint32_t(entry.read(infeVersion == 2 ? 2 : 4));
        const std::uint32_t protection = entry.u16();
        if (!entry.ok() || entry.left() < 4 || protection != 0 || meta.find(item.id))
            return false;
        std::memcpy(item.type, entry.here(), 4);
        entry.skip(4);
        if (std::memchr(entry.here(), 0, entry.left()) == nullptr)
            return false; // the item's name ends within the box
        item.hidden = (infeFlags & 1) != 0;
        meta.items.push_back(item);
    }
    return true;
}

// Every extent of every item lies within the file or the "idat" box, as libheif checks before
// it answers anything; the items with data are marked.
bool readLocations(const Box& iloc, std::uint64_t fileSize, std::uint64_t idatSize, Meta& meta) {
    std::uint32_t version = 0, flags = 0;
    Fields fields = iloc.fullBody(version, flags);
    if (version > 2)
        return false;
    const std::uint32_t sizes = fields.u8();
    const std::uint32_t more = fields.u8();
    const unsigned offsetSize = sizes >> 4, lengthSize = sizes & 15, baseSize = more >> 4;
    const unsigned indexSize = version >= 1 ? (more & 15) : 0;
    const std::uint64_t count = fields.read(version < 2 ? 2 : 4);
    for (std::uint64_t i = 0; i < count && fields.ok(); ++i) {
        const std::uint64_t id = fields.read(version < 2 ? 2 : 4);
        const std::uint32_t method = version >= 1 ? (fields.u16() & 15) : 0;
        const std::uint32_t reference = fields.u16();
        const std::uint64_t base = fields.read(baseSize);
        const std::uint32_t extents = fields.u16();
        if (reference != 0 || method > 1 || extents > kMaxExtents)
            return false; // data in another file or built from other items
        const std::uint64_t limit = method == 0 ? fileSize : idatSize;
        for (std::uint32_t e = 0; e < extents && fields.ok(); ++e) {
            fields.read(indexSize);
            const std::uint64_t offset = fields.read(offsetSize);
            const std::uint64_t length = fields.read(lengthSize);
            // A length of 0 means "to the end of the data": left to libheif.
            if (length == 0 || base > limit || offset > limit - base ||
                length > limit - base - offset)
                return false;
        }
        if (Item* item = meta.find(id))
            item->hasData = item->hasData || extents > 0;
    }
    return fields.ok();
}

// Every reference joins items that exist; the primary item is no other's thumbnail or
// auxiliary picture (libheif then finds no picture of its own).
bool readReferences(const Box& iref, std::uint32_t primary, Meta& meta) {
    std::uint32_t version = 0, flags = 0;
    Fields fields = iref.fullBody(version, flags);
    const unsigned idBytes = version == 0 ? 2 : 4;
    return fields.ok() && eachChild(fields, [&](const Box& reference) {
               Fields entry(reference.body, reference.size);
               const std::uint64_t from = entry.read(idBytes);
               const std::uint32_t count = entry.u16();
               if (count == 0)
                   return false;
               for (std::uint32_t i = 0; i < count && entry.ok(); ++i) {
                   if (!meta.find(entry.read(idBytes)))
                       return false;
               }
               const bool thumbnail = reference.is("thmb"), auxiliary = reference.is("auxl");
               if (!entry.ok() || !meta.find(from) || (from == primary && (thumbnail || auxiliary)))
                   return false;
               if (auxiliary)
                   meta.auxiliary.push_back(std::uint32_t(from));
               return true;
           });
}

// The properties and which items they belong to, each item listed once.
bool readProperties(const Box& iprp, Meta& meta) {
    std::optional<Box> ipco, ipma;
    bool twice = false;
    if (!eachChild(Fields(iprp.body, iprp.size),
                   [&](const Box& box) {
                       takeOnce(box, "ipco", ipco, twice) || takeOnce(box, "ipma", ipma, twice);
                       return true;
                   }) ||
        twice || !ipco || !ipma)
        return false;
    if (!eachChild(Fields(ipco->body, ipco->size), [&](const Box& box) {
            meta.properties.push_back(box);
            return meta.properties.size() <= kMaxProperties;
        }))
        return false;
    std::uint32_t version = 0, flags = 0;
    Fields fields = ipma->fullBody(version, flags);
    const std::uint32_t entries = fields.u32();
    for (std::uint32_t i = 0; i < entries && fields.ok(); ++i) {
        Item* item = meta.find(fields.read(version < 1 ? 2 : 4));
        const std::uint32_t count = fields.u8();
        if (!fields.ok() || !item || item->associated)
            return false;
        item->associated = true;
        for (std::uint32_t a = 0; a < count && fields.ok(); ++a) {
            const std::uint32_t index =
                (flags & 1) ? (fields.u16() & 0x7FFF) : (fields.u8() & 0x7F);
            if (index > meta.properties.size())
                return false;
            if (index != 0)
                meta.associations.push_back({item->id, index});
        }
    }
    return fields.ok();
}

// The decoder configurations (HEVC's parameter sets, AV1's header) as libheif reads them.
bool hevcConfigurationFits(const Box& box) {
    Fields fields(box.body, box.size);
    fields.skip(22); // profile, level, chroma, depths, frame rate
    const std::uint32_t arrays = fields.u8();
    for (std::uint32_t a = 0; a < arrays && fields.ok(); ++a) {
        fields.u8(); // the kind of unit
        const std::uint32_t units = fields.u16();
        for (std::uint32_t u = 0; u < units && fields.ok(); ++u)
            fields.skip(fields.u16());
    }
    return fields.ok();
}

// Every property libheif reads to measure has its fields.
bool propertiesFit(const Meta& meta) {
    return std::all_of(meta.properties.begin(), meta.properties.end(), [](const Box& box) {
        Fields fields(box.body, box.size);
        if (box.is("hvcC"))
            return hevcConfigurationFits(box);
        if (box.is("av1C"))
            return fields.skip(4);
        if (box.is("ispe"))
            return fields.skip(12);
        if (box.is("irot") || box.is("imir"))
            return fields.skip(1);
        if (box.is("pixi"))
            return fields.skip(4) && fields.skip(fields.u8());
        if (box.is("clap")) {
            // libheif reads the fractions as signed; sizes and denominators must be positive.
            for (int i = 0; i < 4; ++i) {
                const std::uint32_t numerator = fields.u32(), denominator = fields.u32();
                if ((i < 2 && numerator > 0x7FFFFFFF) || denominator == 0 ||
                    denominator > 0x7FFFFFFF)
                    return false;
            }
            return fields.ok();
        }
        if (box.is("auxC"))
            return fields.skip(4) && std::memchr(fields.here(), 0, fields.left()) != nullptr;
        if (box.is("colr")) {
            if (fields.left() < 4)
                return false;
            const unsigned char* type = fields.here();
            return std::memcmp(type, "nclx", 4) == 0
                       ? fields.skip(11)
                       : std::memcmp(type, "rICC", 4) == 0 || std::memcmp(type, "prof", 4) == 0;
        }
        return true;
    });
}

// What libheif checks of every item when it opens a file: each has data, pictures have
// properties, coded ones their decoder configuration, auxiliary ones their type.
bool itemsComplete(const Meta& meta) {
    for (const Item& item : meta.items) {
        if ((!item.isMetadata() && !item.associated) || !item.hasData ||
            (item.is("hvc1") && !meta.hasProperty(item.id, "hvcC")) ||
            (item.is("av01") && !meta.hasProperty(item.id, "av1C")))
            return false;
    }
    return std::all_of(meta.auxiliary.begin(), meta.auxiliary.end(),
                       [&](std::uint32_t id) { return meta.hasProperty(id, "auxC"); });
}

// The size shown, as libheif works it out: the properties in the order they are listed, the
// size box setting the size, a crop setting it again and a quarter turn swapping its sides. A
// turn or crop listed before the size box is thus overridden by it.
std::optional<QSize> displayedSize(const Meta& meta, std::uint32_t primary) {
    for (const Box& box : meta.properties) {
        // libheif refuses a file when any picture in it is beyond its limit.
        if (!box.is("ispe"))
            continue;
        std::uint32_t version = 0, flags = 0;
        Fields fields = box.fullBody(version, flags);
        const std::uint32_t width = fields.u32(), height = fields.u32();
        if (width > std::uint32_t(kMaxSide) || height > std::uint32_t(kMaxSide))
            return std::nullopt;
    }
    QSize size(0, 0);
    bool stored = false, turned = false;
    for (const Association& association : meta.associations) {
        if (association.item != primary)
            continue;
        const Box& box = meta.properties[association.index - 1];
        Fields fields(box.body, box.size);
        if (box.is("ispe")) {
            fields.u32(); // version and flags
            const std::uint32_t width = fields.u32(), height = fields.u32();
            if (stored || !fields.ok())
                return std::nullopt;
            stored = true;
            size = QSize(int(width), int(height));
        } else if (box.is("irot")) {
            const std::uint32_t angle = fields.u8() & 3;
            if (turned || !fields.ok())
                return std::nullopt;
            turned = true;
            if (angle % 2 == 1)
                size.transpose();
        } else if (box.is("clap")) {
            // Width and height as fractions; only whole pixels are taken.
            const std::uint32_t widthN = fields.u32(), widthD = fields.u32();
            const std::uint32_t heightN = fields.u32(), heightD = fields.u32();
            if (!fields.ok() || widthD == 0 || heightD == 0 || widthN % widthD != 0 ||
                heightN % heightD != 0 || widthN / widthD > std::uint32_t(kMaxSide) ||
                heightN / heightD > std::uint32_t(kMaxSide))
                return std::nullopt;
            size = QSize(int(widthN / widthD), int(heightN / heightD));
        } else if (box.is("iscl")) {
            return std::nullopt; // a scaled picture
        }
    }
    if (!stored || size.isEmpty())
        return std::nullopt;
    return size;
}

// The "meta" box's answer.
std::optional<QSize> sizeFromMeta(const Box& box, std::uint64_t fileSize) {
    std::uint32_t version = 0, flags = 0;
    Fields fields = box.fullBody(version, flags);
    std::optional<Box> hdlr, pitm, iinf, iloc, iprp, iref, idat;
    bool twice = false;
    if (version != 0 || !fields.ok() || !eachChild(fields, [&](const Box& child) {
            takeOnce(child, "hdlr", hdlr, twice) || takeOnce(child, "pitm", pitm, twice) ||
                takeOnce(child, "iinf", iinf, twice) || takeOnce(child, "iloc", iloc, twice) ||
                takeOnce(child, "iprp", iprp, twice) || takeOnce(child, "iref", iref, twice) ||
                takeOnce(child, "idat", idat, twice);
            return true;
        }))
        return std::nullopt;
    if (twice || !pitm || !iinf || !iloc || !iprp || (hdlr && !isPictureHandler(*hdlr)))
        return std::nullopt;
    std::uint32_t pitmVersion = 0, pitmFlags = 0;
    Fields primaryField = pitm->fullBody(pitmVersion, pitmFlags);
    const auto primary = std::uint32_t(primaryField.read(pitmVersion == 0 ? 2 : 4));
    Meta meta;
    if (!primaryField.ok() || !readItems(*iinf, meta) ||
        !readLocations(*iloc, fileSize, idat ? idat->size : 0, meta) ||
        (iref && !readReferences(*iref, primary, meta)) || !readProperties(*iprp, meta) ||
        !propertiesFit(meta) || !itemsComplete(meta))
        return std::nullopt;
    // A coded picture or a grid of them; derived pictures of other kinds are left to libheif.
    const Item* item = meta.find(primary);
    if (!item || item->hidden || !(item->isCoded() || item->is("grid")))
        return std::nullopt;
    return displayedSize(meta, primary);
}

bool hasCompatibleBrand(const std::vector<unsigned char>& ftyp) {
    // The major brand and minor version, then the brands libheif looks for among the others.
    for (std::size_t at = 8; at + 4 <= ftyp.size(); at += 4) {
        for (const char* brand : {"heic", "heix", "mif1", "avif"}) {
            if (std::memcmp(ftyp.data() + at, brand, 4) == 0)
                return true;
        }
    }
    return false;
}

// Reads a whole box body of a top-level box into bytes; false when it is not all there.
bool readBody(const ReadAt& read, std::uint64_t offset, std::uint64_t size,
              std::vector<unsigned char>& bytes) {
    bytes.resize(std::size_t(size));
    return read(offset, bytes.data(), bytes.size()) == bytes.size();
}

} // namespace

std::optional<QSize> heifPrimarySize(const ReadAt& read, std::uint64_t totalSize) {
    std::vector<unsigned char> ftyp, meta;
    bool haveMeta = false;
    std::uint64_t at = 0;
    for (int boxes = 0; at + 8 <= totalSize; ++boxes) {
        unsigned char header[16];
        const std::size_t got =
            read(at, header, std::size_t(std::min<std::uint64_t>(16, totalSize - at)));
        if (got < 8 || boxes >= kMaxTopLevelBoxes)
            return std::nullopt;
        Fields fields(header, got);
        std::uint64_t size = fields.u32();
        char type[4];
        std::memcpy(type, header + 4, 4);
        fields.skip(4);
        std::uint64_t headerSize = 8;
        const bool unsized = size == 0;
        if (size == 1) {
            size = fields.read(8);
            headerSize = 16;
        } else if (size == 0) {
            size = totalSize - at;
        }
        if (!fields.ok() || size < headerSize)
            return std::nullopt;
        const bool isFtyp = std::memcmp(type, "ftyp", 4) == 0;
        const bool isMeta = std::memcmp(type, "meta", 4) == 0;
        if ((isFtyp || isMeta) && unsized)
            return std::nullopt; // only media data may run to the end of the file unsized
        if ((boxes == 0) != isFtyp)
            return std::nullopt; // the file type comes first, and once
        if (isFtyp || isMeta) {
            const std::uint64_t body = size - headerSize;
            if (size > totalSize - at || body > kMaxMetaBytes || (isMeta && haveMeta))
                return std::nullopt;
            if (!readBody(read, at + headerSize, body, isFtyp ? ftyp : meta))
                return std::nullopt;
            haveMeta = haveMeta || isMeta;
        }
        if (size >= totalSize - at)
            break; // the last box, which may be cut short: libheif reads on
        at += size;
    }
    if (!haveMeta || !hasCompatibleBrand(ftyp))
        return std::nullopt;
    Box box;
    std::memcpy(box.type, "meta", 4);
    box.body = meta.data();
    box.size = meta.size();
    return sizeFromMeta(box, totalSize);
}

std::optional<QSize> heifPrimarySize(const unsigned char* data, std::size_t size) {
    if (data == nullptr)
        return std::nullopt;
    return heifPrimarySize(
        [&](std::uint64_t offset, unsigned char* out, std::size_t n) -> std::size_t {
            if (offset >= size || n == 0)
                return 0;
            const std::size_t count = std::min<std::size_t>(n, size - std::size_t(offset));
            std::memcpy(out, data + offset, count);
            return count;
        },
        size);
}

std::optional<QSize> heifPrimarySizeOfFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    return heifPrimarySize(
        [&](std::uint64_t offset, unsigned char* out, std::size_t n) -> std::size_t {
            if (!file.seek(qint64(offset)))
                return 0;
            std::size_t done = 0;
            while (done < n) {
                const qint64 got = file.read(reinterpret_cast<char*>(out) + done, qint64(n - done));
                if (got <= 0)
                    break;
                done += std::size_t(got);
            }
            return done;
        },
        std::uint64_t(file.size()));
}

} // namespace pix::imaging
