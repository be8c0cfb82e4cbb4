// The overview-map decoder on a map file of any kind: the first bytes tell
// which decoder reads it, so one entry serves every target's seeds (mapimage:
// PNG, GIF, WebP, TIFF and JPEG, read in this process; mappdf: PDF, which
// Poppler renders in a child process). Also the file dialog's preview.

#include "FuzzCheck.h"
#include "FuzzSupport.h"

#include "core/base/TolvekError.h"
#include "core/map/MapImageDecoder.h"

#include <QImage>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString name = FuzzSupport::WriteScratch(QStringLiteral(".kaart"), bytes);

    const QImage preview = MapImageDecoder::Preview(name, QSize(64, 48));
    FUZZ_CHECK(preview.isNull() || (preview.width() <= 65 && preview.height() <= 49));

    QImage image;
    try {
        image = MapImageDecoder::Decode(name);
    } catch (const TolvekError &) {
        // Reported to the user; the map stays as it was.
        return 0;
    }
    FUZZ_CHECK(!image.isNull());
    FUZZ_CHECK(qint64(image.width()) * image.height() <= MapImageDecoder::MaxPixels);
    // Everything but a bitmap is laid on white.
    FUZZ_CHECK(bytes.startsWith("BM") || !image.hasAlphaChannel());
    return 0;
}
