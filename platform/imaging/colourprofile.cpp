#include "platform/imaging/colourprofile.h"

#include <QHash>
#include <QString>
#include <algorithm>
#include <cmath>
#include <lcms2.h>
#include <memory>
#include <mutex>

namespace pix::imaging::colour {

namespace {

// lcms2 reports a damaged profile through the handler; the caller's result says enough.
void ignoreError(cmsContext, cmsUInt32Number, const char*) {}

void initialise() {
    static std::once_flag once;
    std::call_once(once, [] { cmsSetLogErrorHandler(ignoreError); });
}

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

Profile openProfile(const QByteArray& icc) {
    initialise();
    if (icc.isEmpty() || std::size_t(icc.size()) > kMaxProfileBytes)
        return {};
    return Profile(cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size())));
}

bool closeTo(const cmsCIEXYZ& a, const cmsCIEXYZ& b) {
    constexpr double kTolerance = 0.002;
    return std::abs(a.X - b.X) < kTolerance && std::abs(a.Y - b.Y) < kTolerance &&
           std::abs(a.Z - b.Z) < kTolerance;
}

bool sameCurve(const cmsToneCurve* a, const cmsToneCurve* b) {
    constexpr int kPoints = 32;
    for (int i = 0; i <= kPoints; ++i) {
        const float x = float(i) / kPoints;
        if (std::abs(cmsEvalToneCurveFloat(a, x) - cmsEvalToneCurveFloat(b, x)) > 1.0f / 512)
            return false;
    }
    return true;
}

// A matrix-shaper profile with sRGB's colorants and curves.
bool matchesSrgb(cmsHPROFILE profile) {
    const Profile srgb(cmsCreate_sRGBProfile());
    const cmsTagSignature colorants[] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                         cmsSigBlueColorantTag};
    const cmsTagSignature curves[] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    for (int i = 0; i < 3; ++i) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, colorants[i]));
        const auto* want = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb.get(), colorants[i]));
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, curves[i]));
        const auto* wantCurve = static_cast<const cmsToneCurve*>(cmsReadTag(srgb.get(), curves[i]));
        if (!xyz || !want || !curve || !wantCurve || !closeTo(*xyz, *want) ||
            !sameCurve(curve, wantCurve))
            return false;
    }
    return true;
}

ProfileKind kindOf(cmsHPROFILE profile) {
    if (!profile)
        return ProfileKind::Unusable;
    const cmsProfileClassSignature device = cmsGetDeviceClass(profile);
    if (device == cmsSigLinkClass || device == cmsSigAbstractClass ||
        device == cmsSigNamedColorClass)
        return ProfileKind::Unusable;
    switch (cmsGetColorSpace(profile)) {
    case cmsSigRgbData:
        return ProfileKind::Rgb;
    case cmsSigGrayData:
        return ProfileKind::Grey;
    case cmsSigCmykData:
        return ProfileKind::Cmyk;
    default:
        return ProfileKind::Unusable;
    }
}

// Grey samples read from the first byte of each 32-bit pixel (B, which equals G and R in a grey
// picture), the other three skipped.
constexpr cmsUInt32Number kGreyInBgra =
    COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(3);

struct TransformDeleter {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};

// A cached transform from a profile to sRGB; null when the profile converts to nothing (it is
// sRGB already) or cannot be used (`usable` false).
struct Cached {
    std::shared_ptr<void> transform;
    bool usable = false;
};

// A black point this close to zero (in XYZ, Y of white 1) is black already.
constexpr double kBlackTolerance = 1e-4;

Cached buildTransform(const QByteArray& icc, cmsUInt32Number input) {
    const Profile profile = openProfile(icc);
    const ProfileKind kind = profile ? kindOf(profile.get()) : ProfileKind::Unusable;
    const bool fits = (kind == ProfileKind::Rgb && T_COLORSPACE(input) == PT_RGB) ||
                      (kind == ProfileKind::Grey && T_COLORSPACE(input) == PT_GRAY) ||
                      (kind == ProfileKind::Cmyk && T_COLORSPACE(input) == PT_CMYK);
    if (!fits)
        return {};
    if (kind == ProfileKind::Rgb && matchesSrgb(profile.get()))
        return {nullptr, true};
    const Profile srgb(cmsCreate_sRGBProfile());
    // No one-pixel cache: the transform is shared by the worker threads. Black-point compensation
    // maps the source's black onto sRGB's; a profile whose black is already zero (every matrix
    // profile of a display space) needs none, and lcms2 then keeps its fast 8-bit matrix path,
    // twice as fast for the same pixels.
    cmsUInt32Number flags = cmsFLAGS_NOCACHE;
    cmsCIEXYZ black{};
    if (!cmsDetectBlackPoint(&black, profile.get(), INTENT_RELATIVE_COLORIMETRIC, 0) ||
        black.X > kBlackTolerance || black.Y > kBlackTolerance || black.Z > kBlackTolerance)
        flags |= cmsFLAGS_BLACKPOINTCOMPENSATION;
    void* transform = cmsCreateTransform(profile.get(), input, srgb.get(), TYPE_BGRA_8,
                                         INTENT_RELATIVE_COLORIMETRIC, flags);
    if (!transform)
        return {};
    return {std::shared_ptr<void>(transform, TransformDeleter()), true};
}

Cached transformFor(const QByteArray& icc, cmsUInt32Number input) {
    static std::mutex mutex;
    static QHash<QByteArray, Cached> cache;
    // A batch meets a handful of profiles; a run through many different ones starts afresh.
    constexpr qsizetype kMostProfiles = 32;
    const QByteArray key = QByteArray::number(input) + ':' + icc;
    const std::lock_guard lock(mutex);
    const auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    if (cache.size() >= kMostProfiles)
        cache.clear();
    const Cached built = buildTransform(icc, input);
    cache.insert(key, built);
    return built;
}

QByteArray makeCompactSrgb() {
    initialise();
    const Profile profile(cmsCreate_sRGBProfile());
    cmsMLU* description = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(description, "en", "US", "sRGB");
    cmsWriteTag(profile.get(), cmsSigProfileDescriptionTag, description);
    cmsMLUfree(description);
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(profile.get(), nullptr, &size))
        return {};
    QByteArray bytes(qsizetype(size), '\0');
    if (!cmsSaveProfileToMem(profile.get(), bytes.data(), &size) || size < 36)
        return {};
    // A fixed creation date (2000-01-01) instead of today's, so that the same picture converted
    // again gives the same file. The profile has no checksum (its ID is zero) to disagree.
    static const char kDate[12] = {0x07, char(0xD0), 0, 1, 0, 1, 0, 0, 0, 0, 0, 0};
    bytes.replace(24, 12, kDate, 12);
    return bytes;
}

// A grey profile describes a grey picture only; on a colour one (a damaged file) it is dropped
// rather than turning the picture grey.
bool isGrey(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qRed(row[x]) != qGreen(row[x]) || qGreen(row[x]) != qBlue(row[x]))
                return false;
    }
    return true;
}

} // namespace

ProfileKind profileKind(const QByteArray& icc) {
    if (icc.isEmpty())
        return ProfileKind::None;
    const Profile profile = openProfile(icc);
    return kindOf(profile.get());
}

QString profileDescription(const QByteArray& icc) {
    const Profile profile = openProfile(icc);
    if (!profile)
        return {};
    wchar_t text[256] = {};
    const cmsUInt32Number length = cmsGetProfileInfo(profile.get(), cmsInfoDescription, "en", "US",
                                                     text, sizeof text / sizeof text[0]);
    return length > 0 ? QString::fromWCharArray(text).trimmed() : QString();
}

bool isSrgbProfile(const QByteArray& icc) {
    const Profile profile = openProfile(icc);
    return profile && kindOf(profile.get()) == ProfileKind::Rgb && matchesSrgb(profile.get());
}

const QByteArray& compactSrgbProfile() {
    static const QByteArray profile = makeCompactSrgb();
    return profile;
}

bool convertToSrgb(Picture& picture) {
    QByteArray& icc = picture.metadata().iccProfile;
    if (icc.isEmpty() || picture.isNull())
        return true;
    const ProfileKind kind = profileKind(icc);
    if (kind != ProfileKind::Rgb && kind != ProfileKind::Grey) {
        icc.clear();
        return kind == ProfileKind::Cmyk; // the decoder made the pixels RGB without it
    }
    if (kind == ProfileKind::Grey && !isGrey(picture.image())) {
        icc.clear();
        return false;
    }
    const Cached cached = transformFor(icc, kind == ProfileKind::Rgb ? TYPE_BGRA_8 : kGreyInBgra);
    icc.clear();
    if (!cached.usable)
        return false;
    if (!cached.transform)
        return true;
    // The transform takes straight colours; premultiplied ones are divided out first and
    // restored after, in the same pixels.
    QImage& image = picture.image();
    const bool alpha = picture.hasAlpha();
    if (alpha)
        image.convertTo(QImage::Format_ARGB32);
    // In place; extra channels are left alone, so the alpha byte keeps its value.
    uchar* bits = image.bits();
    cmsDoTransformLineStride(cached.transform.get(), bits, bits, cmsUInt32Number(image.width()),
                             cmsUInt32Number(image.height()), cmsUInt32Number(image.bytesPerLine()),
                             cmsUInt32Number(image.bytesPerLine()), 0, 0);
    if (alpha)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return true;
}

CmykToSrgb::CmykToSrgb(const QByteArray& icc, bool inverted)
    : transform_(transformFor(icc, inverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8).transform) {}

void CmykToSrgb::convert(const unsigned char* cmyk, QRgb* out, std::size_t pixels) const {
    std::fill(out, out + pixels, QRgb(0xFF000000u)); // the transform writes colours only
    cmsDoTransform(transform_.get(), cmyk, out, cmsUInt32Number(pixels));
}

} // namespace pix::imaging::colour
