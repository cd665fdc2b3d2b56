// Saving to files: replacing targets, and failures that must leave the target untouched.
#include "imaging/testpictures.h"
#include "platform/imaging/decoder.h"
#include "platform/imaging/encoders.h"
#include "platform/safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The temporary file beside the target, with and without a name until it is complete: a short
// name of the program's own, so that a target whose name is as long as names may be is still
// replaced and a file left by a killed run is known for what it is; links to the target are
// written through and kept; the target keeps its owner and permissions.
TEST(Save, TheTemporaryFileIsShortRecognisableAndNeverLeftBehind) {
    QTemporaryDir dir;
    const QString longest = dir.filePath(QString(251, u'n') + ".png"); // 255 bytes
    for (const bool named : {true, false}) {
        SCOPED_TRACE(named ? "named" : "nameless");
        writeFile(longest, "old");
        {
            SafeFile file(longest);
            file.setNamedTemporaryForTesting(named);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_EQ(file.write("new"), 3);
            const QStringList during = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
            if (named) {
                ASSERT_EQ(during.size(), 2);
                const QString temporary = QFileInfo(file.temporaryPath()).fileName();
                EXPECT_TRUE(during.contains(temporary));
                EXPECT_TRUE(
                    QRegularExpression("^\\.pixovia-[A-Za-z0-9]{6}$").match(temporary).hasMatch())
                    << temporary.toStdString();
            } else {
                EXPECT_EQ(during.size(), 1) << "nothing to leave behind";
            }
            ASSERT_TRUE(file.commit()) << file.systemError();
        }
        EXPECT_EQ(readFile(longest), "new");
        {
            SafeFile abandoned(longest);
            abandoned.setNamedTemporaryForTesting(named);
            ASSERT_TRUE(abandoned.open(QIODevice::WriteOnly));
            abandoned.write("half");
        }
        EXPECT_EQ(readFile(longest), "new");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    // Through a link: the file it names is replaced, the link stays a link.
    const QString real = dir.filePath("real.png"), link = dir.filePath("link.png");
    writeFile(real, "old");
    ASSERT_TRUE(QFile::link(real, link));
    ASSERT_TRUE(QFile::setPermissions(real, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(QFile::encodeName(real).constData(), 65534, 65534), 0);
    }
    ASSERT_EQ(writeFileReplacing(link, "new"), Status::Ok);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readFile(real), "new");
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(real).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_TRUE(!root || info.st_uid == 65534u) << "the owner stays";
}

} // namespace
} // namespace pix::imaging
