// JPEG files written with libjpeg in the layouts the preview tests need: baseline or
// progressive, any scan script, sampling, colour space, restart interval and Exif block.
#pragma once

#include "platform/imaging/picture.h"

#include <QByteArray>
#include <QImage>
#include <cstdio> // jpeglib.h needs FILE
#include <jpeglib.h>
#include <vector>

namespace pix::imaging::test {

struct JpegLayout {
    int components = 3;       // 1: grey
    int lumaH = 1, lumaV = 1; // 2, 2: 4:2:0
    J_COLOR_SPACE colourSpace = JCS_YCbCr;
    int quality = 50;
    bool eightBitTables = true; // false: quantisers beyond 255 at low quality, in 16-bit tables
    bool progressive = true;
    std::vector<jpeg_scan_info> script; // empty: libjpeg's standard progression
    unsigned restartInterval = 0;       // in MCUs
    QByteArray exif;                    // an APP1 body
};

QByteArray writeJpeg(const QImage& picture, const JpegLayout& layout);

// A smooth picture with detail: the gradient with a fine checker laid over it, so that AC
// coefficients matter at full size and the DC differs from block to block.
Picture detailed(int width, int height);

} // namespace pix::imaging::test
