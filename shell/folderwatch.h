// The folders the tree watches: one Watch for every shown (opened) folder item and one Unwatch
// when it is closed, hidden or deleted. Several items may name the same folder.
#pragma once

#include <QString>

namespace pix {

class FolderWatch {
public:
    virtual ~FolderWatch() = default;
    virtual void Watch(const QString& path) = 0;
    /// Ends one Watch of path.
    virtual void Unwatch(const QString& path) = 0;
};

} // namespace pix
