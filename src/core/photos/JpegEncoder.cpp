#include "core/photos/JpegEncoder.h"

#include "core/base/TolvekError.h"
#include "core/photos/JpegErrorManager.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace {

// Fills *out (malloc'ed by libjpeg) and returns true, or leaves the
// library's message. Only trivially destructible locals live here.
bool compress(const QImage &image, int quality, unsigned char **out, unsigned long *outSize, char *message)
{
    jpeg_compress_struct cinfo;
    JpegErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = JpegErrorManager::ErrorExit;
    err.message[0] = '\0';
    if (setjmp(err.jump)) {
        std::strncpy(message, err.message, JMSG_LENGTH_MAX);
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, outSize);
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        // libjpeg only reads the rows; its interface is not const.
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

QByteArray JpegEncoder::Encode(const QImage &image, int quality)
{
    if (image.isNull())
        throw TolvekError(QStringLiteral("geen afbeelding om als JPEG op te slaan"));
    // Little-endian 32-bit pixels are blue, green, red, alpha in memory.
    const bool direct = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    const QImage pixels = direct ? image : image.convertToFormat(QImage::Format_RGB32);
    if (pixels.isNull())
        throw TolvekError(QStringLiteral("onvoldoende geheugen om de afbeelding als JPEG op te slaan"));
    unsigned char *out = nullptr;
    unsigned long outSize = 0;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = compress(pixels, quality, &out, &outSize, message);
    QByteArray bytes;
    if (ok)
        bytes = QByteArray(reinterpret_cast<const char *>(out), qsizetype(outSize));
    std::free(out);
    if (!ok)
        throw TolvekError(
            QStringLiteral("de JPEG-afbeelding kan niet worden gemaakt (%1)").arg(QString::fromLocal8Bit(message)));
    return bytes;
}
