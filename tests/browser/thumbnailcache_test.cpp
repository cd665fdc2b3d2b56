// The shared thumbnail cache and the making of one browser thumbnail.
#include "browser/thumbnailcache.h"

#include "browser/browserfixture.h"
#include "browser/thumbnailmaker.h"
#include "imaging/metadatatools.h"
#include "imaging/testpictures.h"
#include "platform/imaging/colourprofile.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtEndian>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "imaging/memorywatch.h"

namespace pix {
namespace {

class CacheTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString root() const { return dir.filePath("thumbnails"); }
    QString path(const QString& name) const { return dir.filePath(name); }
    std::int64_t mtime(const QString& file) const {
        return QFileInfo(file).lastModified().toSecsSinceEpoch();
    }
    QImage image(int w, int h, QColor colour) {
        QImage out(w, h, QImage::Format_RGB32);
        out.fill(colour);
        return out;
    }
};

TEST(ThumbnailCacheNames, UriAndNameFollowTheStandard) {
    EXPECT_EQ(ThumbnailCache::fileUri("/home/jens/photos/me.png"),
              "file:///home/jens/photos/me.png");
    EXPECT_EQ(ThumbnailCache::cacheName("/home/jens/photos/me.png"),
              "c6ee772d9e49320e97ec29a7eb5b1697.png");
    EXPECT_EQ(ThumbnailCache::fileUri("/tmp/a b/\u00e9t\u00e9.jpg"),
              "file:///tmp/a%20b/%C3%A9t%C3%A9.jpg");
}

TEST(ThumbnailCacheNames, RootFromXdgCacheHome) {
    const QByteArray saved = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", "/somewhere/cache");
    EXPECT_EQ(ThumbnailCache().root(), "/somewhere/cache/thumbnails");
    qputenv("XDG_CACHE_HOME", "relative/ignored");
    EXPECT_EQ(ThumbnailCache().root(), QDir::homePath() + "/.cache/thumbnails");
    qputenv("XDG_CACHE_HOME", saved);
}

TEST_F(CacheTest, FreshEntryIsFoundStaleOrForeignIsIgnored) {
    const ThumbnailCache cache(root());
    const QString file = path("a.png");
    ASSERT_TRUE(test::writePicture(file, 400, 300));
    EXPECT_TRUE(cache.lookup(file, mtime(file)).isNull());
    ASSERT_TRUE(cache.store(file, mtime(file), image(256, 192, Qt::green), QSize(400, 300)));

    const QImage found = cache.lookup(file, mtime(file));
    ASSERT_FALSE(found.isNull());
    EXPECT_EQ(found.size(), QSize(128, 96)); // scaled down to the normal size
    QFile stored(root() + "/normal/" + ThumbnailCache::cacheName(file));
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    const QByteArray bytes = stored.readAll();
    EXPECT_TRUE(bytes.contains(QByteArray("Thumb::MTime", 13) + QByteArray::number(mtime(file))));
    EXPECT_TRUE(bytes.contains(QByteArray("Thumb::Image::Width\0"
                                          "400",
                                          23)));
    EXPECT_TRUE(cache.lookup(file, mtime(file) + 1).isNull()); // the file changed
    EXPECT_TRUE(cache.lookup(path("other.png"), mtime(file)).isNull());

    // A large thumbnail put in normal/ by some other program is not used.
    QImage large = image(256, 192, Qt::blue);
    large.setText("Thumb::URI", QString::fromUtf8(ThumbnailCache::fileUri(file)));
    large.setText("Thumb::MTime", QString::number(mtime(file)));
    ASSERT_TRUE(large.save(root() + "/normal/" + ThumbnailCache::cacheName(file), "PNG"));
    EXPECT_TRUE(cache.lookup(file, mtime(file)).isNull());

    // A corrupt entry is a miss.
    ASSERT_TRUE(test::writeText(root() + "/normal/" + ThumbnailCache::cacheName(file), "junk"));
    EXPECT_TRUE(cache.lookup(file, mtime(file)).isNull());
}

TEST_F(CacheTest, WrittenOwnerOnlyAndWithoutLeftovers) {
    const ThumbnailCache cache(root());
    const QString picture = path("a.png");
    ASSERT_TRUE(test::writePicture(picture, 40, 30));
    ASSERT_TRUE(cache.store(picture, mtime(picture), image(40, 30, Qt::green)));
    ASSERT_TRUE(cache.store(picture, mtime(picture), image(40, 30, Qt::green))); // replaces
    const QString stored = root() + "/normal/" + ThumbnailCache::cacheName(picture);
    // Owner only: no bit for the group or others.
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    const QFileDevice::Permissions file = QFile::permissions(stored);
    EXPECT_TRUE(file.testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_FALSE(file & (others | QFileDevice::ExeOwner));
    const QFileDevice::Permissions folder = QFile::permissions(root() + "/normal");
    EXPECT_TRUE(
        folder.testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    EXPECT_FALSE(folder & others);
    EXPECT_EQ(QDir(root() + "/normal").entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// A PNG chunk of that type with its CRC.
QByteArray chunk(const QByteArray& type, const QByteArray& data) {
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), out.data());
    out += type + data;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(quint32(::crc32(::crc32(0, nullptr, 0),
                                          reinterpret_cast<const Bytef*>((type + data).constData()),
                                          uInt(type.size() + data.size()))),
                          crc.data());
    return out + crc;
}

QByteArray zlibOf(const QByteArray& text) {
    return qCompress(text, 9).mid(4); // without Qt's size prefix
}

// Entries planted by whoever can write into a cache: links, FIFOs and texts that inflate to far
// more than they take. None may make the browser follow, wait, or take memory; an entry with
// the right keys among junk texts is still a thumbnail.
TEST_F(CacheTest, PlantedEntriesAreNotFollowedWaitedForOrInflated) {
    const ThumbnailCache cache(root());
    const QString file = path("a.png");
    ASSERT_TRUE(test::writePicture(file, 40, 30));
    ASSERT_TRUE(cache.store(file, mtime(file), image(40, 30, Qt::green)));
    const QString entry = root() + "/normal/" + ThumbnailCache::cacheName(file);
    QFile stored(entry);
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    const QByteArray good = stored.readAll();
    stored.close();
    ASSERT_TRUE(QFile::copy(entry, path("elsewhere.png")));
    // Texts of other keys that inflate to 4 MB each, between the header and the keys.
    QByteArray junk;
    const QByteArray bomb = zlibOf(QByteArray(4 << 20, 'x'));
    for (int i = 0; i < 120; ++i)
        junk += chunk("zTXt", "Comment" + QByteArray::number(i) + QByteArray(2, '\0') + bomb);
    const qsizetype afterHeader = 8 + 25;
    const QByteArray uriBomb =
        chunk("zTXt", "Thumb::URI" + QByteArray(2, '\0') + zlibOf(QByteArray(1 << 20, '/')));

    const struct {
        const char* name;
        std::function<bool()> plant;
        bool found;
    } cases[] = {
        {"a link to an entry", [&] { return QFile::link(path("elsewhere.png"), entry); }, false},
        {"a link to a device without end", [&] { return QFile::link("/dev/zero", entry); }, false},
        {"a FIFO", [&] { return ::mkfifo(QFile::encodeName(entry).constData(), 0600) == 0; },
         false},
        {"junk texts before the right keys",
         [&] { return test::writeText(entry, QByteArray(good).insert(afterHeader, junk)); }, true},
        {"junk texts and a stale time",
         [&] {
             return test::writeText(entry, QByteArray(good)
                                               .insert(afterHeader, junk)
                                               .replace(QByteArray::number(mtime(file)),
                                                        QByteArray::number(mtime(file) + 1)));
         },
         false},
        {"a URI that inflates to a megabyte",
         [&] { return test::writeText(entry, QByteArray(good).insert(afterHeader, uriBomb)); },
         false},
    };
    for (const auto& c : cases) {
        QFile::remove(entry);
        ASSERT_TRUE(c.plant()) << c.name;
        const imaging::test::PeakGrowth growth;
        EXPECT_EQ(!cache.lookup(file, mtime(file)).isNull(), c.found) << c.name;
        EXPECT_LT(growth.megabytes(), 40) << c.name;
    }
}

// The cache is used only in folders that are the user's own and that nobody else may write
// into; the browser then makes its thumbnails without it.
TEST_F(CacheTest, AFolderOthersMayWriteIntoOrOwnIsNotUsed) {
    const QString file = path("a.png");
    ASSERT_TRUE(test::writePicture(file, 400, 300, Qt::blue));
    const auto mode = [](mode_t bits) {
        return [bits](const QString& f) {
            return ::chmod(QFile::encodeName(f).constData(), bits) == 0;
        };
    };
    const struct {
        const char* name;
        const char* folder;
        std::function<bool(const QString&)> change;
        bool thumbnails, failures; // what is no longer used
    } cases[] = {
        {"a root anyone may write into", "", mode(0777), true, true},
        {"a normal/ its group may write into", "/normal", mode(0770), true, false},
        {"a fail/pixovia-1.0/ anyone may write into", "/fail/pixovia-1.0", mode(0703), false, true},
        {"a root of another user", "",
         [](const QString& f) {
             return geteuid() == 0 && ::chown(QFile::encodeName(f).constData(), 65534, 65534) == 0;
         },
         true, true},
    };
    for (const auto& c : cases) {
        QDir(root()).removeRecursively();
        const ThumbnailCache cache(root());
        ASSERT_TRUE(cache.store(file, mtime(file), image(40, 30, Qt::green)));
        ASSERT_TRUE(cache.recordFailure(file, mtime(file) - 1));
        if (!c.change(root() + c.folder))
            continue; // another user's folder needs root to make
        EXPECT_EQ(cache.lookup(file, mtime(file)).isNull(), c.thumbnails) << c.name;
        EXPECT_EQ(cache.store(path("b.png"), 1, image(40, 30, Qt::green)), !c.thumbnails) << c.name;
        EXPECT_EQ(cache.hasFailure(file, mtime(file) - 1), !c.failures) << c.name;
        EXPECT_EQ(cache.recordFailure(path("b.png"), 1), !c.failures) << c.name;
        const ThumbnailResult result = makeBrowserThumbnail(file, &cache);
        EXPECT_EQ(result.state, ThumbnailState::Ready) << c.name;
        EXPECT_TRUE(test::near(result.cell.pixel(48, 35), c.thumbnails ? Qt::blue : Qt::green))
            << c.name;
    }
}

// Every folder the cache makes is its owner's alone, the cache folder above it included.
TEST_F(CacheTest, EveryFolderItMakesIsOwnerOnly) {
    const QString top = path("cache");
    const ThumbnailCache cache(top + "/thumbnails");
    const QString file = path("a.png");
    ASSERT_TRUE(test::writePicture(file, 40, 30));
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(cache.recordFailure(file, 5)); // the first thing a cache may write
    ASSERT_TRUE(cache.store(file, 5, image(40, 30, Qt::green)));
    ::umask(mask);
    for (const char* folder : {"", "/thumbnails", "/thumbnails/fail",
                               "/thumbnails/fail/pixovia-1.0", "/thumbnails/normal"}) {
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(top + folder).constData(), &info), 0) << folder;
        EXPECT_EQ(info.st_mode & 07777, 0700u) << folder;
    }
}

TEST_F(CacheTest, FailuresAreRecordedPerModificationTime) {
    const ThumbnailCache cache(root());
    const QString file = path("broken.jpg");
    ASSERT_TRUE(test::writeText(file, "no picture"));
    EXPECT_FALSE(cache.hasFailure(file, 5));
    ASSERT_TRUE(cache.recordFailure(file, 5));
    EXPECT_TRUE(cache.hasFailure(file, 5));
    EXPECT_FALSE(cache.hasFailure(file, 6));
    EXPECT_TRUE(QFileInfo::exists(root() + "/fail/pixovia-1.0/" + ThumbnailCache::cacheName(file)));
}

TEST_F(CacheTest, UnwritableCacheOnlyCostsSpeed) {
    // A cache under a plain file can never be made, whoever runs the test.
    ASSERT_TRUE(test::writeText(path("plain"), "x"));
    const ThumbnailCache cache(path("plain") + "/thumbnails");
    const QString file = path("a.png");
    ASSERT_TRUE(test::writePicture(file, 400, 300, Qt::blue));
    EXPECT_FALSE(cache.store(file, mtime(file), image(40, 30, Qt::green)));
    EXPECT_FALSE(cache.recordFailure(file, mtime(file)));
    const ThumbnailResult result = makeBrowserThumbnail(file, &cache);
    EXPECT_EQ(result.state, ThumbnailState::Ready);
    EXPECT_TRUE(test::near(result.cell.pixel(48, 35), Qt::blue));
}

// The whole picture fits the cell, its proportions kept and centred, as file managers show it;
// a small one is not enlarged. What the picture leaves free is transparent.
TEST_F(CacheTest, ThumbnailFitsTheCellKeepingProportions) {
    struct Case {
        const char* name;
        int width, height;
        std::vector<QPoint> left, right, free; // red, blue and transparent pixels of the cell
    } cases[] = {
        {"wide.png", 640, 480, {{2, 0}, {2, 69}}, {{92, 0}, {92, 69}}, {{0, 35}, {95, 35}}},
        {"tall.jpg", 480, 640, {{24, 0}, {24, 69}}, {{71, 0}, {71, 69}}, {{10, 35}, {85, 35}}},
        {"small.png", 30, 20, {{35, 35}}, {{60, 35}}, {{30, 35}, {48, 20}, {48, 50}}},
    };
    for (const Case& c : cases) {
        const QString file = path(c.name);
        ASSERT_TRUE(test::writeHalves(file, c.width, c.height, Qt::red, Qt::blue));
        const ThumbnailResult result = makeBrowserThumbnail(file, nullptr);
        ASSERT_EQ(result.state, ThumbnailState::Ready) << c.name;
        ASSERT_EQ(result.cell.size(), QSize(96, 70));
        for (const auto& [points, colour] :
             {std::pair{c.left, QColor(Qt::red)}, std::pair{c.right, QColor(Qt::blue)}})
            for (const QPoint& p : points)
                EXPECT_TRUE(test::near(result.cell.pixel(p), colour))
                    << c.name << " at " << p.x() << "," << p.y();
        for (const QPoint& p : c.free)
            EXPECT_EQ(qAlpha(result.cell.pixel(p)), 0) << c.name << " at " << p.x() << "," << p.y();
    }
}

TEST_F(CacheTest, FreshCacheIsUsedAndAChangedFileIsDecodedAgain) {
    const ThumbnailCache cache(root());
    const QString file = path("a.png");
    ASSERT_TRUE(test::writePicture(file, 400, 300, Qt::red));
    // The first thumbnail is stored for the file managers too.
    ASSERT_EQ(makeBrowserThumbnail(file, &cache).state, ThumbnailState::Ready);
    const QImage stored = cache.lookup(file, mtime(file));
    ASSERT_EQ(stored.size(), QSize(128, 96));
    EXPECT_TRUE(test::near(stored.pixel(10, 10), Qt::red));

    ASSERT_TRUE(cache.store(file, mtime(file), image(128, 96, Qt::green)));
    EXPECT_TRUE(test::near(makeBrowserThumbnail(file, &cache).cell.pixel(48, 35), Qt::green));

    ASSERT_TRUE(test::setModified(file, QDateTime::currentDateTime().addSecs(-3600)));
    EXPECT_TRUE(test::near(makeBrowserThumbnail(file, &cache).cell.pixel(48, 35), Qt::red));
}

TEST_F(CacheTest, AWideGamutPictureIsShownAndCachedInSrgb) {
    const ThumbnailCache cache(root());
    const QString file = path("wide.png");
    const QRgb stored = qRgb(150, 60, 30);
    imaging::Picture picture;
    ASSERT_EQ(imaging::allocatePicture(400, 300, false, picture), imaging::Status::Ok);
    picture.image().fill(stored);
    picture.metadata().iccProfile =
        imaging::test::rgbProfile(imaging::test::kAdobePrimaries, true, "wide");
    imaging::Picture one;
    ASSERT_EQ(imaging::resizePicture(picture, 1, 1, one), imaging::Status::Ok);
    one.metadata() = picture.metadata();
    ASSERT_TRUE(imaging::colour::convertToSrgb(one));
    const QRgb srgb = one.image().pixel(0, 0);
    ASSERT_GT(std::abs(qRed(srgb) - qRed(stored)), 8) << "the test colour must change";
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(imaging::test::encodeToMemory(picture, "image/png"));
    out.close();
    const QImage cell = makeBrowserThumbnail(file, &cache).cell;
    EXPECT_TRUE(test::near(cell.pixel(48, 35), QColor(srgb), 3));
    EXPECT_TRUE(test::near(cache.lookup(file, mtime(file)).pixel(10, 10), QColor(srgb), 3));
}

TEST_F(CacheTest, BrokenMissingAndHugePictures) {
    const ThumbnailCache cache(root());
    // A JPEG cut after its headers: measured, but its pixels cannot be decoded.
    const QString whole = path("whole.jpg"), cut = path("cut.jpg");
    ASSERT_TRUE(test::writePicture(whole, 800, 600));
    QFile in(whole);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    ASSERT_TRUE(test::writeText(cut, in.read(700)));
    const ThumbnailResult broken = makeBrowserThumbnail(cut, &cache);
    EXPECT_EQ(broken.state, ThumbnailState::Broken);
    EXPECT_TRUE(broken.cell.isNull());
    EXPECT_TRUE(cache.hasFailure(cut, mtime(cut)));
    EXPECT_EQ(makeBrowserThumbnail(cut, &cache).state, ThumbnailState::Broken);

    EXPECT_EQ(makeBrowserThumbnail(path("gone.png"), &cache).state, ThumbnailState::Broken);

    // 16000 x 16000 pixels in 31 KB: refused by its size, before any pixel is decoded.
    const QString bomb = PIXOVIA_TEST_DATA "/browser/bomb-16000x16000.png";
    EXPECT_EQ(makeBrowserThumbnail(bomb, nullptr).state, ThumbnailState::Unavailable);
}

TEST_F(CacheTest, AProgressiveJpegCutAfterItsFirstScansStillGetsItsThumbnail) {
    // A large progressive photo whose download stopped in its fifth scan: the first scans give
    // every component what a thumbnail at an eighth of the size is drawn from.
    QImage halves(1600, 1200, QImage::Format_RGB32);
    halves.fill(Qt::red);
    for (int y = 0; y < halves.height(); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(halves.scanLine(y)) + 800, 800, qRgb(0, 0, 255));
    QBuffer buffer;
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    QImageWriter writer(&buffer, "jpg");
    writer.setProgressiveScanWrite(true);
    ASSERT_TRUE(writer.write(halves));
    const QByteArray jpeg = buffer.data();
    qsizetype at = -1;
    for (int scan = 0; scan < 5; ++scan)
        at = jpeg.indexOf(QByteArray("\xFF\xDA", 2), at + 1);
    ASSERT_GT(at, 0);
    const QString cut = path("cut.jpg");
    ASSERT_TRUE(test::writeText(cut, jpeg.left(at + 20)));

    const ThumbnailCache cache(root());
    const ThumbnailResult result = makeBrowserThumbnail(cut, &cache);
    ASSERT_EQ(result.state, ThumbnailState::Ready);
    EXPECT_TRUE(test::near(result.cell.pixel(10, 35), Qt::red));
    EXPECT_TRUE(test::near(result.cell.pixel(85, 35), Qt::blue));
    EXPECT_FALSE(cache.hasFailure(cut, mtime(cut)));
}

} // namespace
} // namespace pix
