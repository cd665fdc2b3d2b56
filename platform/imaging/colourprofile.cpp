#include "platform/imaging/colourprofile.h"

#include <QHash>
#include <QString>
#include <algorithm>
#include <cmath>
#include <iterator>
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

// The profile's bytes with its description, dated 2000-01-01 instead of today, so that the same
// picture converted again gives the same file (the profile has no checksum, its ID is zero, to
// disagree) and a batch's pictures share one cached transform.
QByteArray savedProfile(const Profile& profile, const char* text) {
    if (!profile)
        return {};
    cmsMLU* description = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(description, "en", "US", text);
    cmsWriteTag(profile.get(), cmsSigProfileDescriptionTag, description);
    cmsMLUfree(description);
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(profile.get(), nullptr, &size))
        return {};
    QByteArray bytes(qsizetype(size), '\0');
    if (!cmsSaveProfileToMem(profile.get(), bytes.data(), &size) || size < 36)
        return {};
    static const char kDate[12] = {0x07, char(0xD0), 0, 1, 0, 1, 0, 0, 0, 0, 0, 0};
    bytes.replace(24, 12, kDate, 12);
    return bytes;
}

QByteArray makeCompactSrgb() {
    initialise();
    return savedProfile(Profile(cmsCreate_sRGBProfile()), "sRGB");
}

struct CicpPrimaries {
    int code;
    cmsCIExyYTRIPLE primaries;
    cmsCIExyY white;
    const char* name;
};

constexpr cmsCIExyY kD65{0.3127, 0.3290, 1.0};

// The primaries a colour description names, by its code (ITU-T H.273).
const CicpPrimaries kCicpPrimaries[] = {
    {1, {{0.640, 0.330, 1}, {0.300, 0.600, 1}, {0.150, 0.060, 1}}, kD65, "sRGB"},
    {5, {{0.640, 0.330, 1}, {0.290, 0.600, 1}, {0.150, 0.060, 1}}, kD65, "BT.601 625"},
    {6, {{0.630, 0.340, 1}, {0.310, 0.595, 1}, {0.155, 0.070, 1}}, kD65, "BT.601 525"},
    {7, {{0.630, 0.340, 1}, {0.310, 0.595, 1}, {0.155, 0.070, 1}}, kD65, "BT.601 525"},
    {9, {{0.708, 0.292, 1}, {0.170, 0.797, 1}, {0.131, 0.046, 1}}, kD65, "Rec. 2020"},
    {11, {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}}, {0.314, 0.351, 1}, "DCI-P3"},
    {12, {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}}, kD65, "Display P3"},
};

// The tone curve of a transfer code: sRGB's for sRGB and the video curves, which viewers show
// as sRGB, a plain gamma for 4 and 5, linear for 8; none for PQ, HLG and the rest.
cmsToneCurve* curveFor(int transfer) {
    switch (transfer) {
    case 1:
    case 2: // unspecified: taken as sRGB
    case 6:
    case 13:
    case 14:
    case 15: {
        const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
        return cmsBuildParametricToneCurve(nullptr, 4, srgb);
    }
    case 4:
        return cmsBuildGamma(nullptr, 2.2);
    case 5:
        return cmsBuildGamma(nullptr, 2.8);
    case 8:
        return cmsBuildGamma(nullptr, 1.0);
    default:
        return nullptr;
    }
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

QByteArray profileForCicp(int primaries, int transfer) {
    const bool srgbPrimaries = primaries == 1 || primaries == 2;
    const bool srgbCurve = transfer == 1 || transfer == 2 || transfer == 6 || transfer == 13 ||
                           transfer == 14 || transfer == 15;
    if (srgbPrimaries && srgbCurve)
        return {};
    const CicpPrimaries* found = std::find_if(
        std::begin(kCicpPrimaries), std::end(kCicpPrimaries),
        [&](const CicpPrimaries& p) { return p.code == (srgbPrimaries ? 1 : primaries); });
    if (found == std::end(kCicpPrimaries))
        return {};
    initialise();
    cmsToneCurve* curve = curveFor(transfer);
    if (!curve)
        return {};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    const Profile profile(cmsCreateRGBProfile(&found->white, &found->primaries, curves));
    cmsFreeToneCurve(curve);
    const QByteArray name =
        srgbCurve ? QByteArray(found->name)
                  : QByteArray(found->name) + " (transfer " + QByteArray::number(transfer) + ")";
    return savedProfile(profile, name.constData());
}

std::optional<Chromaticities> chromaticitiesForCicp(int primaries) {
    const CicpPrimaries* found =
        std::find_if(std::begin(kCicpPrimaries), std::end(kCicpPrimaries),
                     [&](const CicpPrimaries& p) { return p.code == primaries; });
    if (found == std::end(kCicpPrimaries))
        return std::nullopt;
    const cmsCIExyYTRIPLE& p = found->primaries;
    return Chromaticities{{p.Red.x, p.Red.y},
                          {p.Green.x, p.Green.y},
                          {p.Blue.x, p.Blue.y},
                          {found->white.x, found->white.y}};
}

const QByteArray& compactSrgbProfile() {
    static const QByteArray profile = makeCompactSrgb();
    return profile;
}

bool canConvert(const QByteArray& icc) {
    return profileKind(icc) == ProfileKind::Rgb && transformFor(icc, TYPE_BGRA_8).usable;
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
