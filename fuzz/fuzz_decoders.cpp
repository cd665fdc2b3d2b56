// Feeds arbitrary bytes to every decoder: the metafile player first (the input is tried as a
// metafile whatever its first bytes), then format detection with decoding and measuring, and the
// HEIF box reader.
#include "platform/imaging/decoder.h"
#include "platform/imaging/encoders.h"
#include "platform/imaging/heifboxes.h"
#include "platform/imaging/outputmetadata.h"
#include "platform/imaging/transform.h"
#include "platform/wmf/wmfplayer.h"

#include <QGuiApplication>
#include <QImage>
#include <cstdint>

namespace {

void playAsMetafile(const unsigned char* data, std::size_t size) {
    QSize pixels;
    if (pix::wmf::measureWmf(data, size, pixels) != pix::wmf::WmfResult::Ok)
        return;
    // Render small: the point is to exercise every record handler, not to fill large canvases.
    QImage target(std::min(pixels.width(), 256), std::min(pixels.height(), 256),
                  QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::transparent);
    pix::wmf::renderWmf(data, size, target);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv); // fonts for metafile text
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    playAsMetafile(data, size);
    QSize measured;
    pix::imaging::measureMemory(data, size, measured);
    // The HEIF box reader on every input, whatever format it is detected as (AVIF too).
    pix::imaging::heifPrimarySize(data, size);
    pix::imaging::Picture picture;
    // A hint exercises the JPEG decoder's reduced scales and its turning while decoding too.
    // The size asked for is never empty, as in a conversion, which always knows its output size:
    // a metafile is then drawn at that size, not at the frame it claims, which may lawfully be
    // a gigabyte and would otherwise be reported against the memory limit.
    // Every other size asks for a glance (a browser thumbnail), which reads a progressive JPEG
    // from its first scans only.
    pix::imaging::DecodeHint hint;
    hint.minSize = QSize(size % 64 + 1, size % 48 + 1);
    hint.rotateFlip = pix::imaging::RotateFlipType(size % 8);
    hint.preview = (size / 8) % 2 == 1;
    if (pix::imaging::decodeMemory(data, size, picture, hint) != pix::imaging::Status::Ok)
        return 0;
    // The decoded profile and metadata through the output step, on a small picture.
    pix::imaging::Picture small;
    if (pix::imaging::resizePicture(picture, 4, 3, small) != pix::imaging::Status::Ok)
        return 0;
    small.metadata() = std::move(picture.metadata());
    const pix::imaging::EncoderId encoder =
        pix::imaging::findEncoderByMimeType(size % 2 ? "image/jpeg" : "image/tiff");
    pix::imaging::prepareForEncoder(small, encoder, {size % 3 == 0, {}});
    QByteArray bytes;
    pix::imaging::encodeToMemory(std::move(small), encoder, 80, bytes);
    return 0;
}
