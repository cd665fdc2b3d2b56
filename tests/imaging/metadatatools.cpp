#include "imaging/metadatatools.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <lcms2.h>

namespace pix::imaging::test {

bool haveProgram(const char* name) {
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}

bool runProgram(const QString& program, const QStringList& arguments, QByteArray* output) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return false;
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

std::vector<QJsonObject> readTags(const QStringList& paths) {
    QByteArray json;
    runProgram(QStringLiteral("exiftool"), QStringList{"-j", "-a", "-G1", "-n"} + paths, &json);
    std::vector<QJsonObject> files;
    for (const QJsonValue& file : QJsonDocument::fromJson(json).array())
        files.push_back(file.toObject());
    files.resize(std::size_t(paths.size()));
    return files;
}

QByteArray rgbProfile(const Primaries& p, bool adobeGamma, const char* description) {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{p.rx, p.ry, 1.0}, {p.gx, p.gy, 1.0}, {p.bx, p.by, 1.0}};
    // sRGB's curve as lcms2's parametric type 4.
    const double srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = adobeGamma ? cmsBuildGamma(nullptr, 563.0 / 256.0)
                                     : cmsBuildParametricToneCurve(nullptr, 4, srgb);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsMLU* text = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(text, "en", "US", description);
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, text);
    const QByteArray bytes = savedProfile(profile);
    cmsMLUfree(text);
    cmsFreeToneCurve(curve);
    cmsCloseProfile(profile);
    return bytes;
}

QByteArray savedProfile(void* profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    return bytes;
}

} // namespace pix::imaging::test
