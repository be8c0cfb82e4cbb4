// The overview-map decoder on a map file of any kind: the first bytes tell
// which decoder reads it, so one entry serves every target's seeds (mapimage:
// PNG, GIF, WebP, TIFF and JPEG, read in this process; mappdf: PDF, which
// Poppler renders in a child process). Also the file dialog's preview, and
// the same file read in bands as the web export reads a large map: where
// both read it, the pixels must agree.

#include "FuzzCheck.h"
#include "FuzzSupport.h"

#include "core/base/TolvekError.h"
#include "core/map/MapBandReader.h"
#include "core/map/MapImageDecoder.h"

#include <QImage>

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString name = FuzzSupport::WriteScratch(QStringLiteral(".kaart"), bytes);

    const QImage preview = MapImageDecoder::Preview(name, QSize(64, 48));
    FUZZ_CHECK(preview.isNull() || (preview.width() <= 65 && preview.height() <= 49));

    QImage bands;
    try {
        if (const auto reader = MapBandReader::Open(name, 0)) {
            bands = QImage(reader->Size(), QImage::Format_RGB32);
            // Bands of an odd height, so that one ends inside a PNG row filter's reach.
            for (int y = 0; y < reader->Size().height();) {
                const QImage rows = reader->Next(37);
                FUZZ_CHECK(!rows.isNull() && rows.width() == bands.width() && rows.format() == QImage::Format_RGB32);
                for (int r = 0; r < rows.height(); ++r, ++y)
                    std::memcpy(bands.scanLine(y), rows.constScanLine(r), std::size_t(rows.bytesPerLine()));
            }
            FUZZ_CHECK(reader->Next(37).isNull());
        }
    } catch (const TolvekError &) {
        bands = QImage();
    }

    QImage image;
    try {
        image = MapImageDecoder::Decode(name);
    } catch (const TolvekError &) {
        // Reported to the user; the map stays as it was.
        return 0;
    }
    if (!bands.isNull())
        FUZZ_CHECK(bands == image.convertToFormat(QImage::Format_RGB32));
    FUZZ_CHECK(!image.isNull());
    FUZZ_CHECK(qint64(image.width()) * image.height() <= MapImageDecoder::MaxPixels);
    // Everything but a bitmap is laid on white.
    FUZZ_CHECK(bytes.startsWith("BM") || !image.hasAlphaChannel());
    return 0;
}
