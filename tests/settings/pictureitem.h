// The job item the Settings dialog tests open the dialog on: a picture added by hand, its
// output the same size in the same folder.
#pragma once

#include "jobs/jobitem.h"

namespace pix::test {

inline JobItem picture(int width, int height) {
    JobItem item;
    item.source.fileName = QStringLiteral("photo.jpg");
    item.source.folder = QStringLiteral("/pictures");
    item.source.width = width;
    item.source.height = height;
    item.output.folder = QStringLiteral("/pictures");
    item.output.width = width;
    item.output.height = height;
    return item;
}

} // namespace pix::test
