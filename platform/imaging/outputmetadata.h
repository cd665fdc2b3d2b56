// The last step before encoding: the resized picture's colours and metadata made into what the
// chosen format will hold. Colour conversion runs here, on the output-sized picture, where it
// costs least.
#pragma once

#include "platform/imaging/encoders.h"
#include "platform/imaging/metadataedit.h"
#include "platform/imaging/picture.h"

#include <QString>

namespace pix::imaging {

struct OutputChoices {
    bool convertToSrgb = false; // else the embedded profile is kept where the format holds one
    metadata::Choice metadata = metadata::Choice::KeepAll;
};

// Converts the pixels to sRGB when asked or when the format holds no profile (or cannot hold
// this one: a grey profile on RGB output), tagging them with a compact sRGB profile when asked;
// updates the metadata for the picture's size and the choice; and leaves out what the format
// cannot hold. Answers what was left out because it was damaged or too large, for the row's
// note; empty when nothing was.
QString prepareForEncoder(Picture& picture, EncoderId encoder, const OutputChoices& choices);

} // namespace pix::imaging
