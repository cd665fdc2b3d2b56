// Fills the image browser's rows from a folder without blocking the thread that owns them.
//
// The rows come from a listing on a worker thread (file names and header sizes only) and are
// appended at once; in the thumbnail view a few workers then make the thumbnails, the rows the
// caller names first, and each appears as it comes. Every fill starts a new generation: a
// folder change, a refresh or a view switch drops what is pending, and nothing of an older fill
// ever reaches the new rows.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace pix {

struct ImageInfo;
class ImageListModel;
class ThumbnailCache;
class ThumbnailLoader;

class ImageListFill : public QObject {
public:
    /// cache: the shared thumbnail cache; null uses the user's. workers <= 0: one per core.
    ImageListFill(ImageListModel& model, std::shared_ptr<const ThumbnailCache> cache = nullptr,
                  int workers = 0, QObject* parent = nullptr);
    ~ImageListFill() override; // drops what is pending and waits for the workers

    /// Empties the model and lists the pictures of folder ("" for none) that match patterns,
    /// in the model's view mode.
    void fill(const QString& folder, const QStringList& patterns);
    /// Called once the listing's rows are in the model and their thumbnails are asked for.
    void setListed(std::function<void()> listed) { listed_ = std::move(listed); }
    /// Moves the thumbnails of these rows to the front of the queue (in the thumbnail view).
    void prioritize(const std::vector<int>& rows);

    /// True while the listing runs.
    bool isListing() const { return listing_; }
    /// True while the listing runs or thumbnails are pending.
    bool isBusy() const;
    /// The number of fills so far; each fill is one generation.
    quint64 generation() const { return generation_; }

private:
    void showListing(quint64 generation, std::vector<ImageInfo> pictures);

    ImageListModel& model_;
    quint64 generation_ = 0;
    bool listing_ = false;
    std::shared_ptr<std::atomic<bool>> cancelListing_;
    QThreadPool listingPool_;
    std::unique_ptr<ThumbnailLoader> loader_;
    std::function<void()> listed_;
};

} // namespace pix
