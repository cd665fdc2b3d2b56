// Our HEIF box reader against libheif: it answers the ordinary files, and whenever it answers at
// all, damaged and cut files included, libheif gives the same size.
#include "formats/formatfiles.h"
#include "platform/imaging/heifboxes.h"
#include "platform/imaging/picture.h"

#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>
#include <libheif/heif.h>

namespace pix::imaging {
namespace {

struct BoxFixture {
    const char* file;
    bool answered; // by our reader; otherwise libheif decides
};

const BoxFixture kBoxFixtures[] = {
    {"heic-turn-mirror-thumb.heic", true}, // crop, irot 90, imir, a thumbnail
    {"heic-irot-exif6.heic", true},        // crop and irot listed before the size box
    {"heic-grid.heic", true},              // a grid of tiles in idat
    {"heic-10bit.heic", true},
    {"heic-alpha.heic", true},
    {"claim-heic.heic", true},        // 16000 x 16000, within the service's bound
    {"claim-heic-coded.heic", false}, // an overlay as the primary picture
    {"avif-10bit.avif", true},
    {"avif-alpha.avif", true},
    {"avif-exif6.avif", true}, // irot 90
    {"avif-anim.avif", true},  // a sequence beside the picture
    {"claim-avif.avif", true},
};

// libheif's answer, as the decoder asks it.
std::optional<QSize> libheifSize(const QByteArray& bytes) {
    heif_context* context = heif_context_alloc();
    heif_context_set_maximum_image_size_limit(context, kMaxSide + 1);
    std::optional<QSize> size;
    heif_image_handle* handle = nullptr;
    if (heif_context_read_from_memory_without_copy(context, bytes.constData(),
                                                   std::size_t(bytes.size()), nullptr)
                .code == heif_error_Ok &&
        heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok) {
        size = QSize(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
        heif_image_handle_release(handle);
    }
    heif_context_free(context);
    return size;
}

std::optional<QSize> ourSize(const QByteArray& bytes) {
    return heifPrimarySize(reinterpret_cast<const unsigned char*>(bytes.constData()),
                           std::size_t(bytes.size()));
}

TEST(HeifBoxes, EveryFixtureAsLibheifMeasuresIt) {
    for (const BoxFixture& f : kBoxFixtures) {
        SCOPED_TRACE(f.file);
        const QByteArray bytes = test::readFormatFile(QString::fromLatin1(f.file));
        ASSERT_FALSE(bytes.isEmpty());
        const std::optional<QSize> ours = ourSize(bytes);
        EXPECT_EQ(ours.has_value(), f.answered);
        if (ours) {
            EXPECT_EQ(ours, libheifSize(bytes));
        }
        // From the file, reading only its boxes, the same answer.
        EXPECT_EQ(heifPrimarySizeOfFile(test::formatFile(QString::fromLatin1(f.file))), ours);
    }
}

// Every cut and a damaged byte at every place of the boxes: where our reader answers, libheif
// measures the same size.
TEST(HeifBoxes, CutOrDamagedFilesAsLibheifMeasuresThem) {
    for (const BoxFixture& f : kBoxFixtures) {
        SCOPED_TRACE(f.file);
        const QByteArray bytes = test::readFormatFile(QString::fromLatin1(f.file));
        const auto check = [&](const QByteArray& variant, const std::string& what) {
            const std::optional<QSize> ours = ourSize(variant);
            if (ours) {
                EXPECT_EQ(ours, libheifSize(variant)) << what;
            }
        };
        for (qsizetype cut = 0; cut < bytes.size(); ++cut)
            check(bytes.left(cut), "cut at " + std::to_string(cut));
        const qsizetype mediaData = bytes.indexOf("mdat");
        for (qsizetype at = 0; at < (mediaData < 0 ? bytes.size() : mediaData); ++at) {
            for (const unsigned char value : {0x00, 0x01, 0x7F, 0xFF}) {
                QByteArray damaged = bytes;
                damaged[at] = char(value);
                check(damaged, "byte " + std::to_string(at) + " = " + std::to_string(value));
            }
        }
    }
}

// The offset of the first box of that type.
qsizetype boxAt(const QByteArray& bytes, const char* type) {
    return bytes.indexOf(type) - 4;
}

void setWord(QByteArray& bytes, qsizetype at, quint32 value) {
    qToBigEndian(value, bytes.data() + at);
}

struct Edit {
    const char* what;
    std::function<void(QByteArray&)> edit;
    bool answered; // by our reader; if so, as libheif measures it
};

// Edits of a file whose primary item is 1, in one extent (iloc version 0, 4-byte fields).
const Edit kEdits[] = {
    {"three stray bytes after the last box", [](QByteArray& b) { b.append(3, '\0'); }, true},
    {"a last box cut short",
     [](QByteArray& b) {
         b.append(QByteArray("\0\0\0\x20"
                             "free\0\0\0\0\0\0\0\0",
                             16));
     },
     true},
    {"no handler box", [](QByteArray& b) { b.replace(boxAt(b, "hdlr") + 4, 4, "xdlr"); }, true},
    {"no brand libheif reads among the compatible ones",
     [](QByteArray& b) { b.replace(16, 12, "abcdabcdabcd"); }, false},
    {"the primary item hidden", [](QByteArray& b) { b[boxAt(b, "infe") + 11] = 1; }, false},
    {"an item's data beyond the file",
     [](QByteArray& b) { setWord(b, boxAt(b, "iloc") + 30, 0x7FFFFFFF); }, false},
    {"an unsized meta box", [](QByteArray& b) { setWord(b, boxAt(b, "meta"), 0); }, false},
    {"a second meta box",
     [](QByteArray& b) {
         const qsizetype meta = boxAt(b, "meta");
         b.append(b.mid(meta, qFromBigEndian<quint32>(b.constData() + meta)));
     },
     false},
};

TEST(HeifBoxes, EditedFilesAnsweredOnlyWhenLibheifAgrees) {
    const QByteArray original = test::readFormatFile(QStringLiteral("heic-irot-exif6.heic"));
    for (const Edit& e : kEdits) {
        SCOPED_TRACE(e.what);
        QByteArray bytes = original;
        e.edit(bytes);
        const std::optional<QSize> ours = ourSize(bytes);
        EXPECT_EQ(ours.has_value(), e.answered);
        if (ours) {
            EXPECT_EQ(ours, libheifSize(bytes));
        }
    }
}

} // namespace
} // namespace pix::imaging
