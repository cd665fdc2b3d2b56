#include "app/droppedfiles.h"

#include "platform/filesearch.h"
#include "platform/imaging/decoder.h"

#include <QFileInfo>
#include <algorithm>

namespace pix {

namespace {

void addFolder(const QString& folder, const QStringList& filters,
               std::vector<DroppedPicture>& pictures) {
    QStringList names;
    for (const QStringList& matches : listFolderByPatterns(folder, filters, Entry::Files))
        names << matches;
    std::sort(names.begin(), names.end(), nameLess);
    names.erase(std::unique(names.begin(), names.end()), names.end());
    for (const QString& name : names) {
        QSize size;
        if (imaging::measureFile(joinPath(folder, name), size) == imaging::Status::Ok)
            pictures.push_back({folder, name, size, QFileInfo(folder).fileName()});
    }
}

} // namespace

std::vector<DroppedPicture> picturesFromDrop(const QStringList& paths, const QStringList& filters) {
    std::vector<DroppedPicture> pictures;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            addFolder(info.absoluteFilePath(), filters, pictures);
        } else if (info.isFile()) {
            QSize size;
            if (imaging::measureFile(info.absoluteFilePath(), size) == imaging::Status::Ok)
                pictures.push_back({info.absolutePath(), info.fileName(), size, QString()});
        }
    }
    return pictures;
}

int addDropped(JobList& list, const QStringList& paths, const QStringList& filters) {
    if (list.isLocked())
        return 0; // nothing is measured for a list that takes no rows
    int added = 0;
    for (const DroppedPicture& picture : picturesFromDrop(paths, filters)) {
        ImageInfo info;
        info.folder = picture.folder;
        info.width = picture.size.width();
        info.height = picture.size.height();
        if (!list.AddFile(&info, &picture.name))
            continue;
        // AddFile appends its row at the end.
        list.itemAt(list.rowCount() - 1)->output.relativeFolder = picture.relativeFolder;
        ++added;
    }
    return added;
}

} // namespace pix
