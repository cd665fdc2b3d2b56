// The pictures of one folder that match the extension filter, as the image browser lists them.
#pragma once

#include "browser/common/imageinfo.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <vector>

namespace pix {

/// Lists the files of folder that match each pattern, one pass per pattern in the order given,
/// each pass in name order. A file that matches two patterns is listed twice. Sub-folders and
/// files whose pixel size cannot be read from their header (no picture, unreadable, gone) are
/// left out. Every entry gets fileName, folder (as given), width and height; with details also
/// typeName, fileSize and modified. No pixels are decoded. When cancel becomes true the listing
/// stops early and answers what it has.
std::vector<ImageInfo> ListPictures(const QString& folder, const QStringList& patterns,
                                    bool details, const std::atomic<bool>* cancel = nullptr);

} // namespace pix
