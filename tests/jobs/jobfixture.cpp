#include "jobs/jobfixture.h"

#include <QImage>

namespace pix::test {

bool writeQuadrantsPng(const QString& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            image.setPixel(x, y,
                           bottom ? (right ? 0xFFFFFF00 : 0xFF0000FF)
                                  : (right ? 0xFF00FF00 : 0xFFFF0000));
        }
    }
    return image.save(path, "PNG");
}

JobItem itemFor(const QString& folder, const QString& fileName, int width, int height) {
    JobItem item;
    item.source.fileName = fileName;
    item.source.folder = folder;
    item.source.width = width;
    item.source.height = height;
    item.output.folder = folder;
    item.output.width = width;
    item.output.height = height;
    return item;
}

} // namespace pix::test
