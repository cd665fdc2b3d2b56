// heifmake: writes HEIC files the way phones write them, which Debian's heif-enc cannot: a grid
// of tiles, a rotation or mirror (irot, imir), an EXIF orientation, a thumbnail. The pictures
// are coded by libheif's encoder (x265); a grid's boxes are written here around the tiles.
//
//   heifmake [--quality Q] [--grid TILEWxTILEH] [--thumbnail N] [--orientation N]
//            [--exif-orientation N] INPUT OUTPUT.heic
//
// --orientation N stores the picture as it is with irot/imir boxes that show it as the EXIF
// orientation N would; --exif-orientation N adds an EXIF block with that orientation tag.
#include <libheif/heif.h>

#include <QImage>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Options {
    int quality = 80;
    int tileWidth = 0, tileHeight = 0; // 0: no grid
    int thumbnail = 0;
    int orientation = 1;
    int exifOrientation = 0; // 0: no EXIF block
    std::string input, output;
};

void check(const heif_error& error) {
    if (error.code != heif_error_Ok)
        throw std::runtime_error(error.message);
}

// --- Writing boxes -------------------------------------------------------------------------

void put8(Bytes& b, unsigned v) {
    b.push_back(std::uint8_t(v));
}
void put16(Bytes& b, unsigned v) {
    put8(b, v >> 8);
    put8(b, v);
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, v >> 16);
    put16(b, v & 0xFFFF);
}
void putType(Bytes& b, const char* type) {
    b.insert(b.end(), type, type + 4);
}
void append(Bytes& b, const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
}

Bytes operator+(Bytes a, const Bytes& b) {
    append(a, b);
    return a;
}

Bytes box(const char* type, const Bytes& body) {
    Bytes b;
    put32(b, std::uint32_t(8 + body.size()));
    putType(b, type);
    append(b, body);
    return b;
}

Bytes fullBox(const char* type, unsigned version, unsigned flags, const Bytes& body) {
    Bytes b;
    put8(b, version);
    put8(b, flags >> 16);
    put16(b, flags & 0xFFFF);
    append(b, body);
    return box(type, b);
}

// --- Reading the boxes libheif wrote for one coded picture ---------------------------------

std::uint32_t get32(const Bytes& b, std::size_t at) {
    if (at + 4 > b.size())
        throw std::runtime_error("short box");
    return (std::uint32_t(b[at]) << 24) | (std::uint32_t(b[at + 1]) << 16) |
           (std::uint32_t(b[at + 2]) << 8) | b[at + 3];
}
std::uint64_t getN(const Bytes& b, std::size_t at, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | b.at(at + std::size_t(i));
    return v;
}

struct Span {
    std::size_t begin, end; // the box's body
};

std::optional<Span> findBox(const Bytes& b, Span in, const char* type) {
    for (std::size_t at = in.begin; at + 8 <= in.end;) {
        const std::uint32_t size = get32(b, at);
        if (size < 8 || at + size > in.end)
            break;
        if (std::memcmp(&b[at + 4], type, 4) == 0)
            return Span{at + 8, at + size};
        at += size;
    }
    return std::nullopt;
}

Span need(const Bytes& b, Span in, const char* type) {
    const auto found = findBox(b, in, type);
    if (!found)
        throw std::runtime_error(std::string("no ") + type + " box");
    return *found;
}

// One coded picture: its decoder configuration box and its data.
struct Coded {
    Bytes hvcC; // the whole box
    Bytes clap; // the whole box, when the coded size is larger than the picture
    Bytes data;
    int width = 0, height = 0;
};

Coded codedPicture(const Bytes& file, int width, int height) {
    const Span all{0, file.size()};
    const Span meta = need(file, all, "meta");
    const Span body{meta.begin + 4, meta.end}; // after the full box's version and flags
    const Span iprp = need(file, body, "iprp");
    const Span ipco = need(file, iprp, "ipco");
    const Span hvcC = need(file, ipco, "hvcC");
    Coded coded;
    coded.hvcC.assign(file.begin() + std::ptrdiff_t(hvcC.begin - 8),
                      file.begin() + std::ptrdiff_t(hvcC.end));
    if (const auto clap = findBox(file, ipco, "clap"))
        coded.clap.assign(file.begin() + std::ptrdiff_t(clap->begin - 8),
                          file.begin() + std::ptrdiff_t(clap->end));
    coded.width = width;
    coded.height = height;
    // The one picture's extents (libheif writes a single item here).
    const Span iloc = need(file, body, "iloc");
    std::size_t at = iloc.begin;
    const unsigned version = file.at(at);
    at += 4;
    const int offsetSize = file.at(at) >> 4, lengthSize = file.at(at) & 15;
    const int baseSize = file.at(at + 1) >> 4, indexSize = version >= 1 ? file.at(at + 1) & 15 : 0;
    at += 2;
    const std::uint64_t items = version < 2 ? getN(file, at, 2) : getN(file, at, 4);
    at += version < 2 ? 2 : 4;
    if (items != 1)
        throw std::runtime_error("expected one item");
    at += version < 2 ? 2 : 4; // item ID
    if (version >= 1)
        at += 2; // construction method: 0, the file
    at += 2;     // data reference index
    const std::uint64_t base = getN(file, at, baseSize);
    at += std::size_t(baseSize);
    const std::uint64_t extents = getN(file, at, 2);
    at += 2;
    for (std::uint64_t e = 0; e < extents; ++e) {
        at += std::size_t(indexSize);
        const std::uint64_t offset = getN(file, at, offsetSize);
        at += std::size_t(offsetSize);
        const std::uint64_t length = getN(file, at, lengthSize);
        at += std::size_t(lengthSize);
        coded.data.insert(coded.data.end(), file.begin() + std::ptrdiff_t(base + offset),
                          file.begin() + std::ptrdiff_t(base + offset + length));
    }
    return coded;
}

// --- Coding with libheif ---------------------------------------------------------------------

heif_image* heifImageOf(const QImage& source) {
    const bool alpha = source.hasAlphaChannel();
    const QImage rgb =
        source.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    heif_image* image = nullptr;
    check(heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                            &image));
    check(heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8));
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const int rowBytes = rgb.width() * (alpha ? 4 : 3);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(plane + std::ptrdiff_t(y) * stride, rgb.constScanLine(y),
                    std::size_t(rowBytes));
    return image;
}

heif_error writeBytes(heif_context*, const void* data, std::size_t size, void* userdata) {
    auto* out = static_cast<Bytes*>(userdata);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
}

heif_encoder* encoderFor(heif_context* context, int quality) {
    heif_encoder* encoder = nullptr;
    check(heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder));
    check(heif_encoder_set_lossy_quality(encoder, quality));
    return encoder;
}

// A picture coded alone, as the boxes of a HEIF file, which are then taken apart.
Coded codeAlone(const QImage& picture, int quality) {
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = encoderFor(context, quality);
    heif_image* image = heifImageOf(picture);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->macOS_compatibility_workaround = 0; // no grid of one tile around the picture
    check(heif_context_encode_image(context, image, encoder, options, nullptr));
    heif_encoding_options_free(options);
    Bytes file;
    heif_writer writer{1, writeBytes};
    check(heif_context_write(context, &writer, &file));
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return codedPicture(file, picture.width(), picture.height());
}

Bytes exifWithOrientation(int orientation) {
    // The four-byte offset to the TIFF header, then a little-endian TIFF structure whose one
    // directory holds the orientation tag.
    Bytes b;
    put32(b, 0);
    const std::uint8_t tiff[] = {
        'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, std::uint8_t(orientation),
        0,   0,   0,  0, 0, 0, 0};
    b.insert(b.end(), tiff, tiff + sizeof tiff);
    return b;
}

QImage fitted(const QImage& picture, int box) {
    return picture.scaled(box, box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// --- A single picture through libheif's own writer ------------------------------------------

Bytes writeSingle(const QImage& picture, const Options& o) {
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = encoderFor(context, o.quality);
    heif_image* image = heifImageOf(picture);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = heif_orientation(o.orientation);
    options->macOS_compatibility_workaround = 0;
    heif_image_handle* handle = nullptr;
    check(heif_context_encode_image(context, image, encoder, options, &handle));
    if (o.thumbnail > 0) {
        heif_image_handle* thumb = nullptr;
        check(heif_context_encode_thumbnail(context, image, handle, encoder, options, o.thumbnail,
                                            &thumb));
        if (thumb)
            heif_image_handle_release(thumb);
    }
    if (o.exifOrientation > 0) {
        const Bytes exif = exifWithOrientation(o.exifOrientation);
        // libheif adds the four-byte offset itself.
        check(
            heif_context_add_exif_metadata(context, handle, exif.data() + 4, int(exif.size() - 4)));
    }
    Bytes file;
    heif_writer writer{1, writeBytes};
    check(heif_context_write(context, &writer, &file));
    heif_image_handle_release(handle);
    heif_encoding_options_free(options);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return file;
}

// --- A grid of tiles, written here -----------------------------------------------------------

Bytes ispe(int width, int height) {
    Bytes b;
    put32(b, std::uint32_t(width));
    put32(b, std::uint32_t(height));
    return fullBox("ispe", 0, 0, b);
}

// The counter-clockwise quarter turns and the mirror (1: left and right, 0: top and bottom, -1:
// none) that show stored pixels as the EXIF orientation would.
struct Transform {
    int angle = 0;
    int mirror = -1;
};
Transform transformFor(int orientation) {
    switch (orientation) {
    case 2:
        return {0, 1};
    case 3:
        return {2, -1};
    case 4:
        return {0, 0};
    case 5:
        return {3, 1};
    case 6:
        return {3, -1};
    case 7:
        return {3, 0};
    case 8:
        return {1, -1};
    default:
        return {};
    }
}

Bytes writeGrid(const QImage& picture, const Options& o) {
    const int columns = (picture.width() + o.tileWidth - 1) / o.tileWidth;
    const int rows = (picture.height() + o.tileHeight - 1) / o.tileHeight;
    if (columns * rows > 250)
        throw std::runtime_error("too many tiles for this writer");
    // The tiles cover the picture; the last ones repeat its edge beyond it.
    QImage padded(columns * o.tileWidth, rows * o.tileHeight, picture.format());
    for (int y = 0; y < padded.height(); ++y)
        for (int x = 0; x < padded.width(); ++x)
            padded.setPixel(
                x, y,
                picture.pixel(std::min(x, picture.width() - 1), std::min(y, picture.height() - 1)));
    if (o.tileWidth % 8 != 0 || o.tileHeight % 8 != 0)
        throw std::runtime_error("tiles are a multiple of 8 pixels a side");
    std::vector<Coded> tiles;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            tiles.push_back(
                codeAlone(padded.copy(c * o.tileWidth, r * o.tileHeight, o.tileWidth, o.tileHeight),
                          o.quality));
    std::optional<Coded> thumb;
    if (o.thumbnail > 0)
        thumb = codeAlone(fitted(picture, o.thumbnail), o.quality);
    const Bytes exif = o.exifOrientation > 0 ? exifWithOrientation(o.exifOrientation) : Bytes();

    // Items: 1 the grid, 2.. the tiles, then the thumbnail and the EXIF block.
    const unsigned grid = 1;
    const unsigned firstTile = 2;
    const unsigned thumbId = firstTile + unsigned(tiles.size());
    const unsigned exifId = thumbId + (thumb ? 1 : 0);

    // Properties, numbered from 1 in ipco's order.
    Bytes ipco;
    int properties = 0;
    auto addProperty = [&](const Bytes& property) {
        append(ipco, property);
        return ++properties;
    };
    const int tileSize = addProperty(ispe(o.tileWidth, o.tileHeight));
    const int gridSize = addProperty(ispe(picture.width(), picture.height()));
    const Transform transform = transformFor(o.orientation);
    int irot = 0, imir = 0;
    if (transform.angle != 0)
        irot = addProperty(box("irot", Bytes{std::uint8_t(transform.angle)}));
    if (transform.mirror >= 0)
        imir = addProperty(box("imir", Bytes{std::uint8_t(transform.mirror)}));
    std::vector<int> tileConfig;
    for (const Coded& tile : tiles)
        tileConfig.push_back(addProperty(tile.hvcC));
    int thumbConfig = 0, thumbSize = 0, thumbClap = 0;
    if (thumb) {
        thumbConfig = addProperty(thumb->hvcC);
        thumbSize = addProperty(ispe(thumb->width, thumb->height));
        if (!thumb->clap.empty())
            thumbClap = addProperty(thumb->clap);
    }

    Bytes ipma;
    std::vector<std::pair<unsigned, std::vector<int>>> associations;
    std::vector<int> gridProperties{gridSize};
    if (irot)
        gridProperties.push_back(irot);
    if (imir)
        gridProperties.push_back(imir);
    associations.push_back({grid, gridProperties});
    for (std::size_t i = 0; i < tiles.size(); ++i)
        associations.push_back({firstTile + unsigned(i), {tileConfig[i], tileSize}});
    if (thumb) {
        std::vector<int> thumbProperties{thumbConfig, thumbSize};
        if (thumbClap)
            thumbProperties.push_back(thumbClap);
        if (irot)
            thumbProperties.push_back(irot);
        if (imir)
            thumbProperties.push_back(imir);
        associations.push_back({thumbId, thumbProperties});
    }
    put32(ipma, std::uint32_t(associations.size()));
    for (const auto& [item, list] : associations) {
        put16(ipma, item);
        put8(ipma, unsigned(list.size()));
        for (const int p : list)
            put8(ipma, 0x80u | unsigned(p)); // essential
    }
    const Bytes iprp = box("iprp", box("ipco", ipco) + fullBox("ipma", 0, 0, ipma));

    Bytes iinfBody;
    auto infe = [](unsigned id, const char* type, bool hidden) {
        Bytes b;
        put16(b, id);
        put16(b, 0);
        putType(b, type);
        put8(b, 0); // empty name
        return fullBox("infe", 2, hidden ? 1 : 0, b);
    };
    const unsigned itemCount =
        1 + unsigned(tiles.size()) + (thumb ? 1 : 0) + (exif.empty() ? 0 : 1);
    put16(iinfBody, itemCount);
    append(iinfBody, infe(grid, "grid", false));
    for (std::size_t i = 0; i < tiles.size(); ++i)
        append(iinfBody, infe(firstTile + unsigned(i), "hvc1", true));
    if (thumb)
        append(iinfBody, infe(thumbId, "hvc1", false));
    if (!exif.empty())
        append(iinfBody, infe(exifId, "Exif", false));
    const Bytes iinf = fullBox("iinf", 0, 0, iinfBody);

    Bytes irefBody;
    {
        Bytes dimg;
        put16(dimg, grid);
        put16(dimg, unsigned(tiles.size()));
        for (std::size_t i = 0; i < tiles.size(); ++i)
            put16(dimg, firstTile + unsigned(i));
        append(irefBody, box("dimg", dimg));
        if (thumb) {
            Bytes thmb;
            put16(thmb, thumbId);
            put16(thmb, 1);
            put16(thmb, grid);
            append(irefBody, box("thmb", thmb));
        }
        if (!exif.empty()) {
            Bytes cdsc;
            put16(cdsc, exifId);
            put16(cdsc, 1);
            put16(cdsc, grid);
            append(irefBody, box("cdsc", cdsc));
        }
    }
    const Bytes iref = fullBox("iref", 0, 0, irefBody);

    // The grid's description, in the meta box's own data.
    Bytes gridData;
    put8(gridData, 0);
    put8(gridData, 0); // 16-bit output sizes
    put8(gridData, unsigned(rows - 1));
    put8(gridData, unsigned(columns - 1));
    put16(gridData, unsigned(picture.width()));
    put16(gridData, unsigned(picture.height()));
    const Bytes idat = box("idat", gridData);

    // The media data: tiles, thumbnail, EXIF, one after another.
    std::vector<std::pair<unsigned, const Bytes*>> payloads;
    for (std::size_t i = 0; i < tiles.size(); ++i)
        payloads.push_back({firstTile + unsigned(i), &tiles[i].data});
    if (thumb)
        payloads.push_back({thumbId, &thumb->data});
    if (!exif.empty())
        payloads.push_back({exifId, &exif});

    Bytes ftypBody;
    putType(ftypBody, "heic");
    put32(ftypBody, 0);
    for (const char* brand : {"mif1", "heic", "miaf"})
        putType(ftypBody, brand);
    const Bytes ftyp = box("ftyp", ftypBody);

    Bytes pitm;
    put16(pitm, grid);
    Bytes hdlr;
    put32(hdlr, 0);
    putType(hdlr, "pict");
    for (int i = 0; i < 3; ++i)
        put32(hdlr, 0);
    put8(hdlr, 0);

    // iloc (version 1, four-byte offsets and lengths) depends on where mdat starts, which
    // depends on the size of meta: its size does not depend on the offsets, so it is built
    // twice.
    auto ilocFor = [&](std::uint32_t mdatData) {
        Bytes b;
        put8(b, 0x44); // offset and length sizes: 4
        put8(b, 0x00); // base offset and index sizes: 0
        put16(b, unsigned(1 + payloads.size()));
        put16(b, grid);
        put16(b, 1); // construction method 1: the meta box's idat
        put16(b, 0);
        put16(b, 1);
        put32(b, 0);
        put32(b, std::uint32_t(gridData.size()));
        std::uint32_t offset = mdatData;
        for (const auto& [item, payload] : payloads) {
            put16(b, item);
            put16(b, 0); // construction method 0: the file
            put16(b, 0);
            put16(b, 1);
            put32(b, offset);
            put32(b, std::uint32_t(payload->size()));
            offset += std::uint32_t(payload->size());
        }
        return fullBox("iloc", 1, 0, b);
    };
    auto metaFor = [&](std::uint32_t mdatData) {
        return fullBox("meta", 0, 0,
                       fullBox("hdlr", 0, 0, hdlr) + fullBox("pitm", 0, 0, pitm) +
                           ilocFor(mdatData) + iinf + iref + iprp + idat);
    };
    const std::uint32_t mdatData = std::uint32_t(ftyp.size() + metaFor(0).size() + 8);
    Bytes mdatBody;
    for (const auto& payload : payloads)
        append(mdatBody, *payload.second);
    return ftyp + metaFor(mdatData) + box("mdat", mdatBody);
}

Options parse(int argc, char** argv) {
    Options o;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw std::runtime_error(a + " needs a value");
            return argv[++i];
        };
        if (a == "--quality")
            o.quality = std::stoi(value());
        else if (a == "--grid") {
            const std::string v = value();
            if (std::sscanf(v.c_str(), "%dx%d", &o.tileWidth, &o.tileHeight) != 2)
                throw std::runtime_error("--grid wants WIDTHxHEIGHT");
        } else if (a == "--thumbnail")
            o.thumbnail = std::stoi(value());
        else if (a == "--orientation")
            o.orientation = std::stoi(value());
        else if (a == "--exif-orientation")
            o.exifOrientation = std::stoi(value());
        else
            files.push_back(a);
    }
    if (files.size() != 2 || o.orientation < 1 || o.orientation > 8 || o.exifOrientation > 8)
        throw std::runtime_error("usage: heifmake [--quality Q] [--grid WxH] [--thumbnail N] "
                                 "[--orientation N] [--exif-orientation N] INPUT OUTPUT.heic");
    o.input = files[0];
    o.output = files[1];
    return o;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const Options o = parse(argc, argv);
        QImage picture(QString::fromLocal8Bit(o.input.c_str()));
        if (picture.isNull())
            throw std::runtime_error("cannot read " + o.input);
        heif_init(nullptr);
        const Bytes file = o.tileWidth > 0 ? writeGrid(picture, o) : writeSingle(picture, o);
        std::FILE* out = std::fopen(o.output.c_str(), "wb");
        if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size() ||
            std::fclose(out) != 0)
            throw std::runtime_error("cannot write " + o.output);
        heif_deinit();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "heifmake: %s\n", e.what());
        return 1;
    }
}
