// The browser over HEIC, AVIF, WebP and JPEG XL files: the default filter lists them, the details
// name their types as the shared MIME database does, and their thumbnails go into the cache.
#include "browser/common/formatting.h"
#include "browser/imagelisting.h"
#include "browser/thumbnailcache.h"
#include "browser/thumbnailmaker.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pix {
namespace {

struct Listed {
    const char* fixture;
    const char* name; // as the user's folder names it
    const char* type; // the MIME database's comment
    QSize size;       // upright
};

const Listed kListed[] = {
    {"heic-irot-exif6.heic", "phone.HEIC", "HEIF image", {48, 64}},
    {"heic-grid.heic", "grid.heif", "HEIF image", {120, 90}},
    {"avif-alpha.avif", "web.avif", "AVIF image", {64, 48}},
    {"webp-exif6.webp", "saved.webp", "WebP image", {48, 64}},
    {"jxl-jpeg.jxl", "export.jxl", "JPEG XL image", {48, 64}},
};

TEST(BrowserFormats, TheDefaultFilterListsThemWithTheirTypesAndThumbnails) {
    QTemporaryDir dir;
    for (const Listed& l : kListed)
        ASSERT_TRUE(QFile::copy(QStringLiteral(PIXOVIA_TEST_DATA "/formats/") + l.fixture,
                                dir.filePath(QString::fromLatin1(l.name))));
    QStringList filter;
    ParseFilterList(QString(kDefaultFilterText), &filter);
    const std::vector<ImageInfo> pictures = ListPictures(dir.path(), filter, true);
    ASSERT_EQ(pictures.size(), std::size(kListed));
    const ThumbnailCache cache(dir.filePath(QStringLiteral("cache")));
    for (const Listed& l : kListed) {
        SCOPED_TRACE(l.name);
        const auto it = std::find_if(pictures.begin(), pictures.end(), [&](const ImageInfo& info) {
            return info.fileName == QLatin1String(l.name);
        });
        ASSERT_NE(it, pictures.end());
        EXPECT_EQ(it->typeName, QLatin1String(l.type));
        EXPECT_EQ(QSize(it->width, it->height), l.size);
        const QString path = dir.filePath(QString::fromLatin1(l.name));
        EXPECT_EQ(makeBrowserThumbnail(path, &cache).state, ThumbnailState::Ready);
        EXPECT_FALSE(
            cache.lookup(path, QFileInfo(path).lastModified().toSecsSinceEpoch()).isNull());
    }
}

} // namespace
} // namespace pix
