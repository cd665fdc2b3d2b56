#include "platform/imaging/outputmetadata.h"

#include "platform/imaging/colourprofile.h"

#include <QStringList>

namespace pix::imaging {

namespace {

// The colours as the format will hold them; false when a damaged profile had to be dropped.
bool prepareColour(Picture& picture, bool holdsProfile, bool toSrgb) {
    QByteArray& icc = picture.metadata().iccProfile;
    const bool keep = holdsProfile && !toSrgb && colour::canConvert(icc);
    bool ok = true;
    if (!keep)
        ok = colour::convertToSrgb(picture);
    if (holdsProfile && toSrgb)
        icc = colour::compactSrgbProfile();
    return ok;
}

void clearUnless(bool holds, QByteArray& block) {
    if (!holds)
        block.clear();
}

} // namespace

QString prepareForEncoder(Picture& picture, EncoderId encoder, const OutputChoices& choices) {
    const EncoderCapacity capacity = encoderCapacity(encoder);
    QStringList notes;
    if (!prepareColour(picture, capacity.carries & kCarriesProfile, choices.convertToSrgb))
        notes << QStringLiteral("its colour profile could not be read and was left out");
    PictureMetadata& m = picture.metadata();
    clearUnless(capacity.carries & kCarriesExif, m.exif);
    clearUnless(capacity.carries & kCarriesXmp, m.xmp);
    // A format with XMP but no IPTC gets the IPTC's caption, keywords, creator and the like in
    // its XMP instead of losing them.
    const bool iptcIntoXmp =
        !(capacity.carries & kCarriesIptc) && (capacity.carries & kCarriesXmp) != 0;
    clearUnless((capacity.carries & kCarriesIptc) || iptcIntoXmp, m.iptc);
    clearUnless(capacity.carries & kCarriesComment, m.comment);
    const bool srgb = m.iccProfile.isEmpty() || m.iccProfile == colour::compactSrgbProfile();
    const QString edited =
        metadata::updateForOutput(m, picture.image().size(), choices.metadata, srgb, iptcIntoXmp);
    if (!edited.isEmpty())
        notes << edited;
    if (capacity.maxBlockBytes > 0) {
        QStringList tooLarge;
        const auto limit = [&](QByteArray& block, const char* name) {
            if (std::size_t(block.size()) > capacity.maxBlockBytes) {
                block.clear();
                tooLarge << QString::fromLatin1(name);
            }
        };
        limit(m.exif, "EXIF");
        limit(m.xmp, "XMP");
        limit(m.iptc, "IPTC");
        if (!tooLarge.isEmpty())
            notes << QStringLiteral("its %1 did not fit the format and %2 left out")
                         .arg(tooLarge.join(QStringLiteral(" and ")),
                              tooLarge.size() > 1 ? QStringLiteral("were") : QStringLiteral("was"));
    }
    return notes.join(QStringLiteral("; "));
}

} // namespace pix::imaging
