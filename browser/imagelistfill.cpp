#include "browser/imagelistfill.h"

#include "browser/imagelisting.h"
#include "browser/imagelistmodel.h"
#include "browser/thumbnailcache.h"
#include "browser/thumbnailloader.h"

namespace pix {

ImageListFill::ImageListFill(ImageListModel& model, std::shared_ptr<const ThumbnailCache> cache,
                             int workers, QObject* parent)
    : QObject(parent), model_(model), cancelListing_(std::make_shared<std::atomic<bool>>(false)) {
    if (!cache)
        cache = std::make_shared<ThumbnailCache>();
    loader_ = std::make_unique<ThumbnailLoader>(std::move(cache), workers);
    loader_->setDelivery([this](int id, const ThumbnailResult& result) {
        model_.setThumbnail(id, result.cell, result.state);
    });
    listingPool_.setMaxThreadCount(1);
}

ImageListFill::~ImageListFill() {
    cancelListing_->store(true);
    listingPool_.clear();
    listingPool_.waitForDone();
    loader_.reset();
}

void ImageListFill::fill(const QString& folder, const QStringList& patterns) {
    ++generation_;
    cancelListing_->store(true);
    cancelListing_ = std::make_shared<std::atomic<bool>>(false);
    loader_->cancel();
    model_.clear();
    listing_ = !folder.isEmpty();
    if (!listing_)
        return;
    const quint64 generation = generation_;
    const bool details = model_.viewMode() == ImageListModel::ReportView;
    const std::shared_ptr<std::atomic<bool>> cancel = cancelListing_;
    listingPool_.start([this, generation, folder, patterns, details, cancel] {
        std::vector<ImageInfo> pictures = ListPictures(folder, patterns, details, cancel.get());
        if (cancel->load())
            return;
        // Posted to this object: the destructor waits for this task, so this is still alive,
        // and a posted call dies with the object.
        QMetaObject::invokeMethod(
            this,
            [this, generation, pictures = std::move(pictures)]() mutable {
                showListing(generation, std::move(pictures));
            },
            Qt::QueuedConnection);
    });
}

void ImageListFill::showListing(quint64 generation, std::vector<ImageInfo> pictures) {
    if (generation != generation_)
        return;
    listing_ = false;
    model_.append(std::move(pictures));
    if (model_.viewMode() == ImageListModel::ThumbnailView) {
        std::vector<ThumbnailLoader::Request> requests;
        requests.reserve(std::size_t(model_.recordCount()));
        for (int row = 0; row < model_.rowCount(); ++row)
            requests.push_back({model_.recordOfRow(row), model_.filePath(row)});
        loader_->start(std::move(requests));
    }
    if (listed_)
        listed_();
}

void ImageListFill::prioritize(const std::vector<int>& rows) {
    if (model_.viewMode() != ImageListModel::ThumbnailView || model_.rowCount() == 0)
        return;
    std::vector<int> ids;
    ids.reserve(rows.size());
    for (const int row : rows)
        ids.push_back(model_.recordOfRow(row));
    loader_->prioritize(ids);
}

bool ImageListFill::isBusy() const {
    return listing_ || loader_->pending() > 0;
}

} // namespace pix
