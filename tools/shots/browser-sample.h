// The sample folder of the image browser's screenshots.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace pix::shots {

/// Fills folder with a dozen real pictures (the examples and drawn landscapes of photo sizes,
/// one damaged JPEG) with varied modification times. True on success.
bool makeSampleFolder(const QString& folder);

/// Processes events until the browser is idle and drawn, then saves the widget as
/// <outputFolder>/<name>.png. True on success.
bool saveWhenIdle(QWidget* window, const std::function<bool()>& idle, const QString& outputFolder,
                  const QString& name);

} // namespace pix::shots
