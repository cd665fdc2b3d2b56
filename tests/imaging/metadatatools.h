// Independent tools for the metadata and colour tests: exiftool reads back what the encoders
// wrote and writes the camera-like sources; lcms2 makes the wide-gamut profiles.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <vector>

namespace pix::imaging::test {

// True when the program is on PATH.
bool haveProgram(const char* name);

// Runs a program; false when it fails. Its standard output goes to `output` when given.
bool runProgram(const QString& program, const QStringList& arguments, QByteArray* output = nullptr);

// Every tag exiftool reads from each file, as "Group:Tag" (family 1 groups) with numeric
// values; one object per file, in the order given.
std::vector<QJsonObject> readTags(const QStringList& paths);

// An RGB matrix-shaper profile with the given primaries (x, y of red, green, blue) and D65
// white, made by lcms2: gamma 563/256 for Adobe RGB (1998)'s, else sRGB's tone curve.
struct Primaries {
    double rx, ry, gx, gy, bx, by;
};
inline constexpr Primaries kAdobePrimaries{0.64, 0.33, 0.21, 0.71, 0.15, 0.06};
inline constexpr Primaries kDisplayP3Primaries{0.680, 0.320, 0.265, 0.690, 0.150, 0.060};
QByteArray rgbProfile(const Primaries& primaries, bool adobeGamma, const char* description);

// The bytes of an lcms2 profile (a cmsHPROFILE).
QByteArray savedProfile(void* profile);

} // namespace pix::imaging::test
