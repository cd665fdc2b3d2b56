#include "platform/imaging/metadataedit.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

// exiv2 0.27's headers still declare std::auto_ptr members; nothing here uses them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/convert.hpp>
#include <exiv2/error.hpp>
#include <exiv2/exif.hpp>
#include <exiv2/iptc.hpp>
#include <exiv2/tiffimage.hpp>
#include <exiv2/xmp_exiv2.hpp>
#pragma GCC diagnostic pop

namespace pix::imaging::metadata {

namespace {

// exiv2 reports what it skipped in a damaged block through its log; counting the warnings of
// this thread tells a block read whole from one read in part.
thread_local int warnings = 0;

void countWarning(int level, const char*) {
    if (level >= Exiv2::LogMsg::warn)
        ++warnings;
}

std::mutex xmpToolkit;

void lockXmp(void*, bool lock) {
    if (lock)
        xmpToolkit.lock();
    else
        xmpToolkit.unlock();
}

void initialise() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::warn);
        Exiv2::LogMsg::setHandler(countWarning);
        // The XMP toolkit is shared by the worker threads.
        Exiv2::XmpParser::initialize(lockXmp, nullptr);
    });
}

const Exiv2::byte* bytesOf(const QByteArray& block) {
    return reinterpret_cast<const Exiv2::byte*>(block.constData());
}

bool fits(const QByteArray& block) {
    return std::size_t(block.size()) <= kMaxBlockBytes;
}

// exiv2's names of the directories of an EXIF block.
constexpr char kFirstDirectory[] = "Image";
constexpr char kExifDirectory[] = "Photo";
constexpr char kThumbnailDirectory[] = "Thumbnail"; // IFD1
constexpr char kGpsDirectory[] = "GPSInfo";

// Tags of a first directory that describe the file's own pixels and storage: they belong to the
// file that holds them, never to the metadata carried to another.
bool describesPixels(std::uint16_t tag) {
    static const std::uint16_t tags[] = {
        0x00FE, 0x00FF, 0x0100, 0x0101, 0x0102, 0x0103, 0x0106, 0x0107, 0x0108, 0x0109,
        0x010A, 0x0111, 0x0112, 0x0115, 0x0116, 0x0117, 0x0118, 0x0119, 0x011C, 0x0122,
        0x0123, 0x0124, 0x0125, 0x012D, 0x013D, 0x013E, 0x013F, 0x0140, 0x0141, 0x0142,
        0x0143, 0x0144, 0x0145, 0x014A, 0x014C, 0x0152, 0x0153, 0x0154, 0x0155, 0x0156,
        0x015B, 0x0200, 0x0201, 0x0202, 0x0203, 0x0205, 0x0206, 0x0207, 0x0208, 0x0209,
        0x0211, 0x0212, 0x0213, 0x0214, 0x02BC, 0x83BB, 0x8649, 0x8773};
    return std::find(std::begin(tags), std::end(tags), tag) != std::end(tags);
}

bool isImageStructure(const Exiv2::Exifdatum& datum) {
    return datum.groupName() == kFirstDirectory && describesPixels(datum.tag());
}

template <typename Container, typename Predicate> bool eraseIf(Container& data, Predicate drop) {
    bool erased = false;
    for (auto it = data.begin(); it != data.end();) {
        if (drop(*it)) {
            it = data.erase(it);
            erased = true;
        } else {
            ++it;
        }
    }
    return erased;
}

bool hasGroup(const Exiv2::ExifData& exif, const char* group) {
    return std::any_of(exif.begin(), exif.end(),
                       [&](const Exiv2::Exifdatum& d) { return d.groupName() == group; });
}

// What the written picture is: its size, whether location goes, whether its pixels are sRGB.
struct Target {
    QSize size;
    bool removeLocation = false;
    bool srgb = false;
};

// Brings the EXIF data up to date; true when something changed.
bool editExifData(Exiv2::ExifData& exif, const Target& target) {
    const QSize size = target.size;
    bool changed = false;
    const auto orientation = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    if (orientation != exif.end() && orientation->toLong() != 1) {
        *orientation = std::uint16_t(1);
        changed = true;
    }
    const auto dimensionIs = [&](const char* key, int value) {
        const auto it = exif.findKey(Exiv2::ExifKey(key));
        return it != exif.end() && it->count() == 1 && it->toLong() == value;
    };
    if (hasGroup(exif, kExifDirectory) &&
        (!dimensionIs("Exif.Photo.PixelXDimension", size.width()) ||
         !dimensionIs("Exif.Photo.PixelYDimension", size.height()))) {
        // As LONGs, which every reader takes (libtiff refuses SHORTs).
        exif["Exif.Photo.PixelXDimension"] = std::uint32_t(size.width());
        exif["Exif.Photo.PixelYDimension"] = std::uint32_t(size.height());
        changed = true;
    }
    if (hasGroup(exif, kThumbnailDirectory)) {
        Exiv2::ExifThumb(exif).erase();
        changed = true;
    }
    if (target.removeLocation)
        changed |= eraseIf(exif, [](const Exiv2::Exifdatum& d) {
            return d.groupName() == kGpsDirectory || d.key() == "Exif.Image.GPSTag";
        });
    // sRGB pixels say so where the camera recorded another space (Adobe RGB's "uncalibrated"
    // and its interoperability index), for readers that go by EXIF rather than the profile.
    const auto space = exif.findKey(Exiv2::ExifKey("Exif.Photo.ColorSpace"));
    if (target.srgb && space != exif.end() && space->toLong() != 1) {
        *space = std::uint16_t(1);
        changed = true;
    }
    const auto index = exif.findKey(Exiv2::ExifKey("Exif.Iop.InteroperabilityIndex"));
    if (target.srgb && index != exif.end() && index->toString() == "R03") {
        index->setValue("R98");
        changed = true;
    }
    return changed;
}

QByteArray toBytes(const Exiv2::byte* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// The EXIF block updated; nothing when it cannot be read at all.
std::optional<QByteArray> editExif(const QByteArray& block, const Target& target) {
    Exiv2::ExifData exif;
    warnings = 0;
    const Exiv2::ByteOrder order =
        Exiv2::ExifParser::decode(exif, bytesOf(block), std::uint32_t(block.size()));
    if (order == Exiv2::invalidByteOrder || exif.empty())
        return {};
    const bool damaged = warnings > 0;
    if (!editExifData(exif, target) && !damaged)
        return block;
    // A damaged block is written anew from what could be read; an intact one is updated in
    // place where exiv2 can, keeping the bytes of everything else.
    Exiv2::Blob blob;
    QByteArray updated = block;
    const Exiv2::WriteMethod method = Exiv2::ExifParser::encode(
        blob, damaged ? nullptr : reinterpret_cast<Exiv2::byte*>(updated.data()),
        damaged ? 0 : std::uint32_t(updated.size()), order, exif);
    if (method == Exiv2::wmNonIntrusive && !damaged)
        return updated;
    return toBytes(blob.data(), blob.size());
}

bool mentionsAny(const QByteArray& text, std::initializer_list<const char*> words) {
    return std::any_of(words.begin(), words.end(),
                       [&](const char* word) { return text.contains(word); });
}

bool isXmpLocation(const std::string& key) {
    static const char* const prefixes[] = {
        "Xmp.exif.GPS",
        "Xmp.photoshop.City",
        "Xmp.photoshop.State",
        "Xmp.photoshop.Country",
        "Xmp.iptc.Location",
        "Xmp.iptc.CountryCode",
        "Xmp.iptcExt.LocationCreated",
        "Xmp.iptcExt.LocationShown",
    };
    return std::any_of(std::begin(prefixes), std::end(prefixes), [&](const char* prefix) {
        return key.compare(0, std::strlen(prefix), prefix) == 0;
    });
}

// The XMP packet updated; nothing when it cannot be read.
std::optional<QByteArray> editXmp(const QByteArray& packet, const Target& target) {
    const QSize size = target.size;
    const bool removeLocation = target.removeLocation;
    // Most packets mention none of the properties to change: they keep their bytes unparsed.
    if (!mentionsAny(packet, {"Orientation", "PixelXDimension", "PixelYDimension", "Thumbnails"}) &&
        !(target.srgb && packet.contains("ColorSpace")) &&
        !(removeLocation && mentionsAny(packet, {"GPS", "City", "State", "Country", "Location"})))
        return packet;
    Exiv2::XmpData xmp;
    if (Exiv2::XmpParser::decode(xmp, packet.toStdString()) != 0)
        return {};
    bool changed = false;
    for (Exiv2::Xmpdatum& datum : xmp) {
        const std::string key = datum.key();
        std::string wanted;
        if (key == "Xmp.tiff.Orientation")
            wanted = "1";
        else if (key == "Xmp.exif.PixelXDimension")
            wanted = std::to_string(size.width());
        else if (key == "Xmp.exif.PixelYDimension")
            wanted = std::to_string(size.height());
        else if (key == "Xmp.exif.ColorSpace" && target.srgb)
            wanted = "1";
        else
            continue;
        if (datum.toString() != wanted) {
            datum.setValue(wanted);
            changed = true;
        }
    }
    changed |= eraseIf(xmp, [&](const Exiv2::Xmpdatum& d) {
        const std::string key = d.key();
        return key.compare(0, 18, "Xmp.xmp.Thumbnails") == 0 ||
               (removeLocation && isXmpLocation(key));
    });
    if (!changed)
        return packet;
    std::string encoded;
    if (Exiv2::XmpParser::encode(encoded, xmp) != 0)
        return {};
    return QByteArray::fromStdString(encoded);
}

// The IPTC records without their location datasets; nothing when they cannot be read.
std::optional<QByteArray> removeIptcLocation(const QByteArray& records) {
    Exiv2::IptcData iptc;
    if (Exiv2::IptcParser::decode(iptc, bytesOf(records), std::uint32_t(records.size())) != 0)
        return {};
    const bool erased = eraseIf(iptc, [](const Exiv2::Iptcdatum& d) {
        if (d.record() != Exiv2::IptcDataSets::application2)
            return false;
        switch (d.tag()) {
        case Exiv2::IptcDataSets::LocationCode: // the place the picture shows
        case Exiv2::IptcDataSets::LocationName:
        case Exiv2::IptcDataSets::City:
        case Exiv2::IptcDataSets::SubLocation:
        case Exiv2::IptcDataSets::ProvinceState:
        case Exiv2::IptcDataSets::CountryCode:
        case Exiv2::IptcDataSets::CountryName:
            return true;
        default:
            return false;
        }
    });
    if (!erased)
        return records;
    const Exiv2::DataBuf encoded = Exiv2::IptcParser::encode(iptc);
    return toBytes(encoded.pData_, std::size_t(encoded.size_));
}

bool isUtf8(const std::string& text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // The decoding runs when its result is taken as a string.
    [[maybe_unused]] const QString decoded =
        decoder.decode(QByteArrayView(text.data(), qsizetype(text.size())));
    return !decoder.hasError();
}

// Text an XMP packet can hold: UTF-8 without the control characters XML refuses.
bool isXmlText(const std::string& text) {
    return isUtf8(text) && std::none_of(text.begin(), text.end(), [](char c) {
               return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
           });
}

// The character set the records are written in, for exiv2's conversion to UTF-8: UTF-8 when
// their character set dataset (1:90) says so or every value reads as UTF-8, plain ASCII, or else
// Latin-1, which is also how records that claim UTF-8 without being it are read (their writer
// meant a single-byte set; as UTF-8 they could not be carried at all).
const char* charsetOf(const Exiv2::IptcData& iptc) {
    const char* detected = iptc.detectCharset();
    if (detected && std::strcmp(detected, "UTF-8") == 0 &&
        std::all_of(iptc.begin(), iptc.end(),
                    [](const Exiv2::Iptcdatum& d) { return isUtf8(d.toString()); }))
        return detected;
    if (detected && std::strcmp(detected, "ASCII") == 0)
        return detected;
    return "ISO-8859-1";
}

// The XMP packet with the IPTC records' datasets added as the properties that stand for them
// (exiv2's own mapping: caption dc:description, keywords dc:subject, by-line dc:creator, city
// photoshop:City, ...), for a format that holds XMP but no IPTC. A property the packet already
// has keeps its value: what an editor wrote into XMP is newer than the legacy records. Nothing
// when the records cannot be read, or the packet with them not written.
std::optional<QByteArray> foldIptc(const QByteArray& records, const QByteArray& packet,
                                   const Target& target) {
    Exiv2::IptcData iptc;
    if (Exiv2::IptcParser::decode(iptc, bytesOf(records), std::uint32_t(records.size())) != 0)
        return std::nullopt;
    Exiv2::XmpData folded;
    Exiv2::copyIptcToXmp(iptc, folded, charsetOf(iptc));
    Exiv2::XmpData xmp;
    if (!packet.isEmpty() && Exiv2::XmpParser::decode(xmp, packet.toStdString()) != 0)
        return std::nullopt;
    bool added = false;
    for (const Exiv2::Xmpdatum& datum : folded) {
        const std::string key = datum.key();
        if (xmp.findKey(Exiv2::XmpKey(key)) != xmp.end() || !isXmlText(datum.toString()) ||
            (target.removeLocation && isXmpLocation(key)))
            continue;
        xmp.add(datum);
        added = true;
    }
    if (!added)
        return packet;
    std::string encoded;
    if (Exiv2::XmpParser::encode(encoded, xmp) != 0)
        return std::nullopt;
    return QByteArray::fromStdString(encoded);
}

// Runs an edit of one block; a block that cannot be read, or that makes exiv2 throw, is dropped
// and named in the note.
template <typename Edit>
void editBlock(QByteArray& block, const char* name, QStringList& dropped, Edit edit) {
    if (block.isEmpty())
        return;
    std::optional<QByteArray> result;
    try {
        if (fits(block))
            result = edit(block);
    } catch (...) {
        result.reset();
    }
    if (!result)
        dropped << QString::fromLatin1(name);
    block = std::move(result).value_or(QByteArray());
}

} // namespace

QString updateForOutput(PictureMetadata& metadata, QSize size, Choice choice, bool srgb,
                        bool iptcIntoXmp) {
    if (choice == Choice::RemoveAll) {
        const QByteArray profile = std::move(metadata.iccProfile);
        metadata = {};
        metadata.iccProfile = profile;
        return {};
    }
    initialise();
    const Target target{size, choice == Choice::RemoveLocation, srgb};
    QStringList dropped;
    editBlock(metadata.exif, "EXIF", dropped,
              [&](const QByteArray& b) { return editExif(b, target); });
    editBlock(metadata.xmp, "XMP", dropped,
              [&](const QByteArray& b) { return editXmp(b, target); });
    if (target.removeLocation)
        editBlock(metadata.iptc, "IPTC", dropped, removeIptcLocation);
    if (iptcIntoXmp) {
        // The records are replaced by the packet they were carried into, then take its place;
        // the packet stays as it was when they cannot be carried.
        editBlock(metadata.iptc, "IPTC", dropped, [&](const QByteArray& records) {
            return foldIptc(records, metadata.xmp, target);
        });
        if (!metadata.iptc.isEmpty())
            metadata.xmp = std::exchange(metadata.iptc, {});
    }
    if (dropped.isEmpty())
        return {};
    return QStringLiteral("its %1 could not be read and %2 left out")
        .arg(dropped.join(QStringLiteral(" and ")),
             dropped.size() > 1 ? QStringLiteral("were") : QStringLiteral("was"));
}

QByteArray exifOfTiff(const unsigned char* data, std::size_t size) {
    if (size > std::size_t(UINT32_MAX))
        return {};
    initialise();
    try {
        Exiv2::ExifData exif;
        Exiv2::IptcData iptc;
        Exiv2::XmpData xmp;
        const Exiv2::ByteOrder order =
            Exiv2::TiffParser::decode(exif, iptc, xmp, data, std::uint32_t(size));
        eraseIf(exif, [](const Exiv2::Exifdatum& d) {
            return isImageStructure(d) || d.groupName() == kThumbnailDirectory;
        });
        if (order == Exiv2::invalidByteOrder || exif.empty())
            return {};
        Exiv2::Blob blob;
        Exiv2::ExifParser::encode(blob, order, exif);
        return std::size_t(blob.size()) <= kMaxBlockBytes ? toBytes(blob.data(), blob.size())
                                                          : QByteArray();
    } catch (...) {
        return {};
    }
}

bool addExifToTiff(QByteArray& tiff, const QByteArray& exif) {
    if (exif.isEmpty() || !fits(exif) || tiff.size() > qsizetype(UINT32_MAX))
        return false;
    initialise();
    try {
        Exiv2::ExifData source;
        if (Exiv2::ExifParser::decode(source, bytesOf(exif), std::uint32_t(exif.size())) ==
            Exiv2::invalidByteOrder)
            return false;
        Exiv2::ExifData file;
        Exiv2::IptcData iptc;
        Exiv2::XmpData xmp;
        const Exiv2::ByteOrder order =
            Exiv2::TiffParser::decode(file, iptc, xmp, bytesOf(tiff), std::uint32_t(tiff.size()));
        // The file's XMP packet is written again as it is, not as exiv2 would serialise it.
        const auto packet = file.findKey(Exiv2::ExifKey("Exif.Image.XMLPacket"));
        if (packet != file.end()) {
            std::string text(std::size_t(packet->size()), '\0');
            packet->copy(reinterpret_cast<Exiv2::byte*>(text.data()), order);
            xmp.setPacket(text);
            xmp.usePacket(true);
        }
        for (const Exiv2::Exifdatum& datum : source) {
            // The pixel dimensions are recorded for compressed pictures only.
            if (isImageStructure(datum) || datum.groupName() == kThumbnailDirectory ||
                datum.key() == "Exif.Photo.PixelXDimension" ||
                datum.key() == "Exif.Photo.PixelYDimension")
                continue;
            const auto existing = file.findKey(Exiv2::ExifKey(datum.key()));
            if (existing != file.end())
                file.erase(existing);
            file.add(datum);
        }
        Exiv2::MemIo io;
        QByteArray original = tiff;
        const Exiv2::WriteMethod method =
            Exiv2::TiffParser::encode(io, reinterpret_cast<Exiv2::byte*>(original.data()),
                                      std::uint32_t(original.size()), order, file, iptc, xmp);
        if (method == Exiv2::wmNonIntrusive) {
            tiff = std::move(original);
            return true;
        }
        if (io.size() == 0)
            return false;
        tiff = toBytes(io.mmap(), io.size());
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace pix::imaging::metadata
