#include "imaging/jpegwriter.h"

#include "imaging/testpictures.h"

#include <cstdlib>

namespace pix::imaging::test {

QByteArray writeJpeg(const QImage& picture, const JpegLayout& layout) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    const bool grey = layout.components == 1;
    const QImage rgb =
        picture.convertToFormat(grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    cinfo.image_width = JDIMENSION(rgb.width());
    cinfo.image_height = JDIMENSION(rgb.height());
    cinfo.input_components = layout.components;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (!grey)
        jpeg_set_colorspace(&cinfo, layout.colourSpace);
    jpeg_set_quality(&cinfo, layout.quality, layout.eightBitTables ? TRUE : FALSE);
    cinfo.comp_info[0].h_samp_factor = layout.lumaH;
    cinfo.comp_info[0].v_samp_factor = layout.lumaV;
    cinfo.restart_interval = layout.restartInterval;
    if (layout.progressive && layout.script.empty()) {
        jpeg_simple_progression(&cinfo);
    } else if (layout.progressive) {
        cinfo.scan_info = layout.script.data();
        cinfo.num_scans = int(layout.script.size());
    }
    jpeg_start_compress(&cinfo, TRUE);
    if (!layout.exif.isEmpty())
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1,
                          reinterpret_cast<const JOCTET*>(layout.exif.constData()),
                          unsigned(layout.exif.size()));
    while (cinfo.next_scanline < cinfo.image_height) {
        auto* row = const_cast<JSAMPLE*>(rgb.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}

Picture detailed(int width, int height) {
    Picture picture = gradient(width, height);
    QImage& image = picture.image();
    for (int y = 0; y < height; y += 3)
        for (int x = (y / 3) % 2; x < width; x += 2)
            image.setPixel(x, y, qRgb(x * 7 % 256, 255 - y % 256, (x + y) % 256));
    return picture;
}

} // namespace pix::imaging::test
