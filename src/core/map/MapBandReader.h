#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

// A large map file read from top to bottom in bands of rows, so that the
// web export can cut it into tiles without holding the whole picture: a
// scanned plan of 140 million pixels takes over half a gigabyte decoded.
// The rows are those MapImageDecoder::Decode gives (transparency laid on
// white), as RGB32. Only files whose rows come out one after the other and
// whose pixels this reader gives exactly as the whole decoding does are
// read so; every other map is decoded whole as before.
class MapBandReader
{
public:
    // A reader for the map at path when it has at least minPixels and is a
    // PNG read in bands (not interlaced, 8 bits a channel or a palette; no
    // transparent colour key), a baseline JPEG without a turn in its EXIF,
    // or a TIFF of 8-bit RGB or grey, upright; null for anything
    // else (also a file that is missing or whose
    // header is damaged: the whole decoding then says why).
    static std::unique_ptr<MapBandReader> Open(const QString &path, qint64 minPixels = MinPixels);
    ~MapBandReader();
    MapBandReader(const MapBandReader &) = delete;
    MapBandReader &operator=(const MapBandReader &) = delete;

    QSize Size() const { return m_size; }
    const QString &Path() const { return m_path; }

    // The next rows, at most count, as an RGB32 image; a null image after
    // the last row. Throws TolvekError naming the file, as Decode does,
    // when the file is damaged or ends early.
    QImage Next(int count);

    // Starts again at the first row. Throws TolvekError like Next.
    void Restart();

    // Below this a map is decoded whole, as it always was: 64 MB of pixels.
    static constexpr qint64 MinPixels = qint64(16) * 1024 * 1024;

    struct Source; // the decoder of one kind of file

private:
    MapBandReader() = default;
    QString m_path;
    QSize m_size;
    int m_row = 0;
    std::unique_ptr<Source> m_source;
};
