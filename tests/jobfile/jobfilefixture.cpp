#include "jobfile/jobfilefixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

namespace pix::test {

void JobFileTest::picture(const QString& relative, int width, int height, const char* format) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path(relative)).path()));
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    ASSERT_TRUE(image.save(path(relative), format)) << relative.toStdString();
}

void JobFileTest::textFile(const QString& relative, const QByteArray& bytes) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path(relative)).path()));
    QFile file(path(relative));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

bool JobFileTest::loadDocument(const QString& document, const JobFileOptions& options) {
    QString text = document;
    text.replace(QLatin1String("$D"), dir.path());
    QFile file(path(QStringLiteral("job.xml")));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
    file.close();
    return LoadJobFile(file.fileName(), list, &prompt, options);
}

QStringList JobFileTest::rowNames() const {
    QStringList names;
    for (int row = 0; row < list.rowCount(); ++row)
        names << list.rowName(row);
    return names;
}

} // namespace pix::test
