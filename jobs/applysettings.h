// Writing the settings dialog's results into job items, and the "Remarks" text that tells what
// the run will do to each.
#pragma once

#include "jobs/jobitem.h"

namespace pix {

// What the settings dialog hands back after OK.
struct SettingsResult {
    QString prefix; // empty when "Rename" is off
    std::int32_t numberFrom = 0;
    QString outputFolder;
    std::int32_t formatCode = kFormatRemainOriginal;
    std::int32_t quality = 80;
    std::int32_t rotate = 0;
    std::int32_t mirror = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t resizeRequested = 0;
    // The resize mode while "Resize" is checked, the default (a plain exact size) otherwise.
    // Every mode but a plain exact size is worked out for each item from its own picture.
    ResizeRule resize;
    // "Keep folder structure": each picture goes below the output folder into its relative
    // folder.
    std::int32_t keepFolders = 0;
    ColourChoice colour = ColourChoice::KeepProfile;
    MetadataChoice metadata = MetadataChoice::KeepAll;
};

// Writes the results into one item with its rename number and rebuilds its remarks.
void ApplySettings(JobItem& item, const SettingsResult& result, std::int32_t number);

} // namespace pix
