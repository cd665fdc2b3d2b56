// Saving to files: replacing targets, and failures that must leave the target untouched.
#include "imaging/testpictures.h"
#include "platform/imaging/decoder.h"
#include "platform/imaging/encoders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace pix::imaging {
namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Limits the size of files this process may write, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

TEST(Save, WritesEveryFormatAndReplacesAnExistingFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("out.bin");
    writeFile(path, "old content");
    for (const EncoderInfo& info : imageEncoders()) {
        SCOPED_TRACE(info.mimeType.toStdString());
        ASSERT_EQ(savePicture(test::quadrants(10, 8), path, info.id, 80), Status::Ok);
        Picture back;
        ASSERT_EQ(decodeFile(path, back), Status::Ok);
        EXPECT_EQ(back.image().size(), QSize(10, 8));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.bin"});
}

TEST(Save, AFailedWriteLeavesTheTargetAsItWasAndNoTemporaryFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("target.bmp");
    writeFile(path, "precious original");
    {
        FileSizeLimit limit(4096);
        EXPECT_EQ(savePicture(test::gradient(300, 200), path, findEncoderByMimeType("image/bmp")),
                  Status::WriteFailed);
    }
    EXPECT_EQ(readFile(path), QByteArray("precious original"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"target.bmp"});
}

TEST(Save, RefusesMissingFoldersUnknownEncodersAndEmptyPictures) {
    QTemporaryDir dir;
    const EncoderId png = findEncoderByMimeType("image/png");
    EXPECT_EQ(savePicture(test::quadrants(4, 4), dir.filePath("no/such/folder/x.png"), png),
              Status::WriteFailed);
    EXPECT_EQ(savePicture(test::quadrants(4, 4), dir.filePath("x.png"), EncoderId{}),
              Status::UnknownEncoder);
    EXPECT_EQ(savePicture(test::quadrants(4, 4), dir.filePath("x.png"), EncoderId{42}),
              Status::UnknownEncoder);
    EXPECT_EQ(savePicture(Picture(), dir.filePath("x.png"), png), Status::InvalidParameter);
    EXPECT_EQ(savePicture(test::quadrants(4, 4), dir.path(), png), Status::WriteFailed)
        << "a folder is not replaced by a file";
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(Save, NewFilesAreReadableByOthers) {
    QTemporaryDir dir;
    const QString path = dir.filePath("shared.png");
    ASSERT_EQ(savePicture(test::quadrants(4, 4), path, findEncoderByMimeType("image/png")),
              Status::Ok);
    EXPECT_TRUE(QFile::permissions(path) & QFileDevice::ReadOther)
        << "a temporary file's private mode must not stick to the picture";
}

} // namespace
} // namespace pix::imaging
