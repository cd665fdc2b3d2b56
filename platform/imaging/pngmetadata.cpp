#include "platform/imaging/pngmetadata.h"

#include "platform/imaging/colourprofile.h"
#include "platform/imaging/jpegmetadata.h"
#include "platform/imaging/metadataedit.h"
#include "platform/imaging/pngchunks.h"

#include <libdeflate.h>

#include <QtEndian>
#include <cstring>
#include <memory>

namespace pix::imaging::png {

namespace {

constexpr char kXmpKeyword[] = "XML:com.adobe.xmp";
constexpr char kComment[] = "Comment";
constexpr char kRawProfile[] = "Raw profile type ";

struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// zlib data inflated to at most `limit` bytes; empty when it is damaged or would be larger.
QByteArray inflate(const char* data, std::size_t size, std::size_t limit) {
    const std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> decompressor(
        libdeflate_alloc_decompressor());
    if (!decompressor)
        return {};
    // Text and profiles shrink a few times; the buffer grows until the data fits or the limit.
    for (std::size_t capacity = std::min(std::max<std::size_t>(size * 4, 4096), limit);;
         capacity = std::min(capacity * 4, limit)) {
        QByteArray out(qsizetype(capacity), Qt::Uninitialized);
        std::size_t written = 0;
        const libdeflate_result result = libdeflate_zlib_decompress(decompressor.get(), data, size,
                                                                    out.data(), capacity, &written);
        if (result == LIBDEFLATE_SUCCESS) {
            out.truncate(qsizetype(written));
            return out;
        }
        if (result != LIBDEFLATE_INSUFFICIENT_SPACE || capacity >= limit)
            return {};
    }
}

QByteArray deflate(const QByteArray& data) {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(9);
    if (!compressor)
        return {};
    const std::size_t bound = libdeflate_zlib_compress_bound(compressor, std::size_t(data.size()));
    QByteArray out(qsizetype(bound), Qt::Uninitialized);
    const std::size_t size = libdeflate_zlib_compress(compressor, data.constData(),
                                                      std::size_t(data.size()), out.data(), bound);
    libdeflate_free_compressor(compressor);
    out.truncate(qsizetype(size));
    return out;
}

// A text chunk's keyword and text, the text inflated where the chunk compresses it.
struct Text {
    QByteArray keyword;
    QByteArray text;
};

bool wanted(const QByteArray& keyword) {
    return keyword == kXmpKeyword || keyword == kComment || keyword.startsWith(kRawProfile);
}

// Only the texts taken here are inflated: a file may hold many others.
bool readText(const char type[4], const QByteArray& chunk, Text& out) {
    const qsizetype nul = chunk.indexOf('\0');
    if (nul <= 0)
        return false;
    out.keyword = chunk.left(nul);
    if (!wanted(out.keyword))
        return false;
    qsizetype at = nul + 1;
    bool compressed = std::memcmp(type, "zTXt", 4) == 0;
    if (std::memcmp(type, "iTXt", 4) == 0) {
        // Compression flag and method, then a language tag and a translated keyword.
        if (at + 2 > chunk.size())
            return false;
        compressed = chunk[at] != 0;
        at += 2;
        for (int field = 0; field < 2; ++field) {
            const qsizetype end = chunk.indexOf('\0', at);
            if (end < 0)
                return false;
            at = end + 1;
        }
    } else if (compressed) {
        ++at; // compression method
    }
    if (at > chunk.size())
        return false;
    out.text = compressed ? inflate(chunk.constData() + at, std::size_t(chunk.size() - at),
                                    metadata::kMaxBlockBytes)
                          : chunk.mid(at);
    return !compressed || !out.text.isEmpty();
}

// The bytes of an image tool's raw profile text: a blank line, the profile's name, its length
// and the bytes in hexadecimal, broken into lines.
QByteArray rawProfileBytes(const QByteArray& text) {
    const QList<QByteArray> lines = text.trimmed().split('\n');
    if (lines.size() < 3)
        return {};
    bool ok = false;
    const qlonglong length = lines[1].trimmed().toLongLong(&ok);
    if (!ok || length <= 0 || std::size_t(length) > metadata::kMaxBlockBytes)
        return {};
    QByteArray hex;
    for (qsizetype i = 2; i < lines.size(); ++i)
        hex += lines[i].trimmed();
    const QByteArray bytes = QByteArray::fromHex(hex);
    return bytes.size() >= length ? bytes.left(qsizetype(length)) : QByteArray();
}

QByteArray withoutExifHeader(QByteArray exif) {
    if (exif.startsWith(QByteArray("Exif\0\0", 6)))
        exif.remove(0, 6);
    return exif;
}

void takeRawProfile(const QByteArray& name, const QByteArray& bytes, PictureMetadata& m) {
    if ((name == "exif" || name == "APP1") && m.exif.isEmpty() &&
        (bytes.startsWith("Exif") || bytes.startsWith("II") || bytes.startsWith("MM")))
        m.exif = withoutExifHeader(bytes);
    else if (name == "iptc" && m.iptc.isEmpty())
        m.iptc = bytes.startsWith("8BIM") ? jpeg::iptcOfResources(bytes) : bytes;
    else if (name == "xmp" && m.xmp.isEmpty())
        m.xmp = bytes;
    else if ((name == "icc" || name == "icm") && m.iccProfile.isEmpty())
        m.iccProfile = bytes;
}

void takeText(const Text& t, PictureMetadata& m) {
    if (t.keyword == kXmpKeyword)
        m.xmp = t.text;
    else if (t.keyword == kComment && m.comment.isEmpty())
        m.comment = t.text;
    else if (t.keyword.startsWith(kRawProfile))
        takeRawProfile(t.keyword.mid(qsizetype(sizeof kRawProfile - 1)), rawProfileBytes(t.text),
                       m);
}

QByteArray rawProfileText(const char* name, const QByteArray& bytes) {
    QByteArray text = "\n" + QByteArray(name) + "\n" +
                      QByteArray::number(bytes.size()).rightJustified(8, ' ') + "\n";
    const QByteArray hex = bytes.toHex();
    for (qsizetype at = 0; at < hex.size(); at += 72)
        text += hex.mid(at, 72) + "\n";
    return text;
}

bool isAscii(const QByteArray& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return uchar(c) < 0x80; });
}

} // namespace

PictureMetadata readMetadata(const unsigned char* data, std::size_t size) {
    PictureMetadata m;
    constexpr std::size_t kSignature = 8, kChunkOverhead = 12;
    if (!isPngData(data, size))
        return m;
    for (std::size_t at = kSignature; at + kChunkOverhead <= size;) {
        const std::size_t length = qFromBigEndian<quint32>(data + at);
        if (length > size - at - kChunkOverhead)
            break;
        const char* type = reinterpret_cast<const char*>(data + at + 4);
        const QByteArray chunk = QByteArray::fromRawData(
            reinterpret_cast<const char*>(data + at + 8), qsizetype(length));
        at += kChunkOverhead + length;
        if (std::memcmp(type, "IEND", 4) == 0)
            break;
        Text text;
        if (std::memcmp(type, "iCCP", 4) == 0) {
            const qsizetype nul = chunk.indexOf('\0');
            if (nul > 0 && nul + 2 <= chunk.size())
                m.iccProfile =
                    inflate(chunk.constData() + nul + 2, std::size_t(chunk.size() - nul - 2),
                            colour::kMaxProfileBytes);
        } else if (std::memcmp(type, "eXIf", 4) == 0) {
            m.exif = withoutExifHeader(QByteArray(chunk.constData(), chunk.size()));
        } else if ((std::memcmp(type, "tEXt", 4) == 0 || std::memcmp(type, "zTXt", 4) == 0 ||
                    std::memcmp(type, "iTXt", 4) == 0) &&
                   readText(type, chunk, text)) {
            text.text.detach(); // it may still point into the file's bytes
            takeText(text, m);
        }
    }
    if (std::size_t(m.exif.size()) > metadata::kMaxBlockBytes)
        m.exif.clear();
    return m;
}

std::vector<OutputChunk> metadataChunks(const PictureMetadata& m) {
    std::vector<OutputChunk> chunks;
    if (!m.iccProfile.isEmpty())
        chunks.push_back(
            {{'i', 'C', 'C', 'P'}, QByteArray("ICC profile\0\0", 13) + deflate(m.iccProfile)});
    if (!m.exif.isEmpty())
        chunks.push_back({{'e', 'X', 'I', 'f'}, m.exif});
    if (!m.xmp.isEmpty())
        chunks.push_back(
            {{'i', 'T', 'X', 't'},
             QByteArray(kXmpKeyword, sizeof kXmpKeyword) + QByteArray(4, '\0') + m.xmp});
    if (!m.iptc.isEmpty())
        chunks.push_back({{'z', 'T', 'X', 't'},
                          QByteArray("Raw profile type iptc\0\0", 23) +
                              deflate(rawProfileText("iptc", m.iptc))});
    if (!m.comment.isEmpty()) {
        // Latin-1 text goes into tEXt; a comment in UTF-8 beyond ASCII into iTXt.
        const bool utf8 = !isAscii(m.comment) && QString::fromUtf8(m.comment).toUtf8() == m.comment;
        const QByteArray keyword(kComment, sizeof kComment);
        if (utf8)
            chunks.push_back({{'i', 'T', 'X', 't'}, keyword + QByteArray(4, '\0') + m.comment});
        else
            chunks.push_back({{'t', 'E', 'X', 't'}, keyword + m.comment});
    }
    return chunks;
}

} // namespace pix::imaging::png
