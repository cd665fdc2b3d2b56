// A job file converting HEIC, WebP, AVIF and JPEG XL files and writing WebP, AVIF and JPEG XL.
#include "app/jobrunfixture.h"
#include "platform/imaging/decoder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

using pix::imaging::ImageFormat;
using test::JobRun;
using test::Outcome;

struct Written {
    const char* file;
    ImageFormat format;
    QSize size;
};

TEST_F(JobRun, ConvertsTodaysFormatsInBothDirections) {
    for (const char* name :
         {"heic-irot-exif6.heic", "webp-exif6.webp", "avif-alpha.avif", "jxl-jpeg.jxl"}) {
        QDir().mkpath(path("in"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(PIXOVIA_TEST_DATA "/formats/") + name,
                                path(QStringLiteral("in/") + name)));
    }
    writePicture("png/photo.png", 40, 30, "PNG");
    writeText("job.xml", R"(<job>
  <folder path="in" filter="*.heic;*.webp;*.avif;*.jxl" outputformat="jpeg" outputfolder="out"/>
  <image path="png" name="photo.png" outputformat="webp" quality="70" outputfolder="out"/>
  <image path="png" name="photo.png" outputformat="avif" outputfolder="out"/>
  <image path="png" name="photo.png" outputformat="JXL" outputfolder="out"/>
  <image path="png" name="photo.png" outputformat="tiff" outputfolder="out"/>
</job>)");
    const Outcome r = run({"job.xml"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    const Written written[] = {
        {"out/heic-irot-exif6.jpg", ImageFormat::Jpeg, {48, 64}}, // turned once
        {"out/webp-exif6.jpg", ImageFormat::Jpeg, {48, 64}},
        {"out/avif-alpha.jpg", ImageFormat::Jpeg, {64, 48}},
        {"out/jxl-jpeg.jpg", ImageFormat::Jpeg, {48, 64}},
        {"out/photo.webp", ImageFormat::WebP, {40, 30}},
        {"out/photo.avif", ImageFormat::Avif, {40, 30}},
        {"out/photo.jxl", ImageFormat::Jxl, {40, 30}},
        {"out/photo.tif", ImageFormat::Tiff, {40, 30}},
    };
    for (const Written& w : written) {
        SCOPED_TRACE(w.file);
        QFile file(path(QString::fromLatin1(w.file)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
        EXPECT_EQ(pix::imaging::detectFormat(data, std::size_t(bytes.size())), w.format);
        QSize size;
        ASSERT_EQ(pix::imaging::measureMemory(data, std::size_t(bytes.size()), size),
                  pix::imaging::Status::Ok);
        EXPECT_EQ(size, w.size);
        EXPECT_TRUE(r.out.contains(
            QStringLiteral("The file has been saved to %1 successfully.")
                .arg(QStringLiteral("out/") + QFileInfo(QString::fromLatin1(w.file)).fileName())))
            << r.out.toStdString();
    }
}

} // namespace
