#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

class WebExportFolder;

// One photo of a web page export: the photo scaled for the page (its long
// side at most MaxSide, decoded at a DCT scale where that suffices) and a
// thumbnail, written under names made from the photo's key alone.
class WebPhotoFiles
{
public:
    struct Result
    {
        bool ok = false;
        QString photo; // file names below the assets folder
        QString thumbnail;
        QSize size;      // of the written photo
        QString problem; // when !ok: why the placeholder stands in
    };

    // Reads path (already resolved) and writes "fotos/<base>.<ext>" and
    // "fotos/<base>-klein.<ext>" below assetsName. A photo that cannot be
    // read gives !ok and its problem; a file that cannot be written throws
    // TolvekError.
    static Result Write(const QString &path, const QString &base, const WebExportFolder &folder,
                        const QString &assetsName);

    // The size a JPEG of storedSize is written at: the largest DCT scale
    // whose result fits MaxSide when it is not much smaller than MaxSide,
    // else the photo fitted into MaxSide. (Stored orientation.)
    static QSize JpegTarget(QSize storedSize);

    static constexpr int MaxSide = 2048;
    static constexpr int ThumbnailSide = 320;
    static constexpr int Quality = 85;
    static constexpr int ThumbnailQuality = 80;
};
