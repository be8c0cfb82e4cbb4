// The JPEG path of the photo window: the photo loaded by file name, shown
// fitted at several sizes (DCT scaling) and at full size, with its EXIF
// orientation; the EXIF reader also gets the input on its own.

#include "FuzzCheck.h"
#include "FuzzSupport.h"

#include "core/base/TolvekError.h"
#include "core/photos/JpegDecoder.h"
#include "core/photos/PhotoPicture.h"

#include <QImage>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    JpegDecoder::OrientationFromExif(data, size);

    const QString name = FuzzSupport::WriteScratch(QStringLiteral(".jpg"), bytes);
    PhotoPicture picture;
    try {
        picture = PhotoPicture::Load(name);
    } catch (const TolvekError &) {
        return 0;
    }
    const QSize shown = picture.Size();
    FUZZ_CHECK(shown.isValid());
    // Decoding a frame of thousands of megapixels takes a second even at the
    // smallest scale (tst_hostileinput checks that case); here it would only
    // slow the search down. The fuzz build's photo limit.
    if (qint64(shown.width()) * shown.height() > PhotoPicture::MaxPixels)
        return 0;
    // Window-sized targets: the photo window never asks for more than a screen.
    for (const QSize target : {QSize(64, 48), QSize(17, 300), QSize(1, 1), shown / 3}) {
        if (target.isEmpty() || target.width() > 2000 || target.height() > 2000)
            continue;
        try {
            const QImage image = picture.Scaled(target);
            FUZZ_CHECK(image.size() == target);
        } catch (const TolvekError &) {
        }
    }
    // Full size, kept small here so that each input stays quick; the limit
    // itself is what the program checks.
    try {
        QSize decoded;
        const QImage full = JpegDecoder::Decode(bytes, QSize(), 1'000'000, &decoded);
        FUZZ_CHECK(full.size() == shown);
    } catch (const TolvekError &) {
    }
    return 0;
}
