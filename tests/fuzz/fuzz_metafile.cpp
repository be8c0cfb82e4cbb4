// The metafile photo loaders: the input is loaded as the photo window loads
// a photo of the kind named by TOLVEK_FUZZ_KIND's extension ("emf" or
// "wmf"), then drawn at a small size.

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
    FUZZ_CHECK(picture.Size().isValid());
    try {
        FUZZ_CHECK(picture.Scaled(QSize(64, 48)).size() == QSize(64, 48));
    } catch (const TolvekError &) {
    }
    return 0;
}
