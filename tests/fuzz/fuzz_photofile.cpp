// The photo kinds decoded whole when loaded (PNG, TIFF, WebP and GIF by
// Qt's readers with their EXIF orientation, HEIF by libheif in the helper):
// the input is loaded as the photo window loads a photo named with
// TOLVEK_FUZZ_EXTENSION, then drawn at a fitted and at its full size.

#include "FuzzCheck.h"
#include "FuzzSupport.h"

#include "core/base/TolvekError.h"
#include "core/photos/PhotoPicture.h"

#include <QImage>

#include <cstdint>

#ifndef TOLVEK_FUZZ_EXTENSION
#error TOLVEK_FUZZ_EXTENSION must name the kind
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString name = FuzzSupport::WriteScratch(QStringLiteral(TOLVEK_FUZZ_EXTENSION), bytes);
    PhotoPicture picture;
    try {
        picture = PhotoPicture::Load(name);
    } catch (const TolvekError &) {
        return 0;
    }
    const QSize shown = picture.Size();
    FUZZ_CHECK(shown.isValid() && qint64(shown.width()) * shown.height() <= PhotoPicture::MaxPixels);
    try {
        FUZZ_CHECK(picture.Scaled(QSize(64, 48)).size() == QSize(64, 48));
        FUZZ_CHECK(picture.FullSize().size() == shown);
    } catch (const TolvekError &) {
    }
    return 0;
}
