#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

class WebExportFolder;

// One photo of a web page export: the photo scaled for the page (its long
// side at most MaxSide, decoded at a DCT scale where that suffices) and a
// thumbnail, written under names made from the photo's content alone, so
// that photos of the same content are written once. What a camera records
// beside the picture (GPS position, serial number, owner, comments) is left
// out unless asked for.
class WebPhotoFiles
{
public:
    // A photo file checked before it is read whole: a regular file, not
    // larger than MaxFileBytes, a JPEG's header readable; and the hash of
    // its bytes, read piece by piece.
    struct Source
    {
        bool ok = false;
        QString problem;  // when !ok
        QString contents; // hexadecimal digest of the bytes
    };
    static Source Examine(const QString &path);

    struct Result
    {
        bool ok = false;
        QString photo; // file names below the assets folder
        QString thumbnail;
        QSize size;      // of the written photo
        QString problem; // when !ok: why the placeholder stands in
    };

    // Reads path (already resolved) and writes "fotos/<base>.<ext>" and
    // "fotos/<base>-klein.<ext>" into folder. keepMetadata carries a JPEG's
    // metadata over (its orientation set to upright). A photo that cannot
    // be read gives !ok and its problem; a file that cannot be written
    // throws TolvekError.
    static Result Write(const QString &path, const QString &base, WebExportFolder &folder, bool keepMetadata);

    // The size a JPEG of storedSize is written at: the largest DCT scale
    // whose result fits MaxSide when it is not much smaller than MaxSide,
    // else the photo fitted into MaxSide. (Stored orientation.)
    static QSize JpegTarget(QSize storedSize);

    static constexpr int MaxSide = 2048;
    static constexpr int ThumbnailSide = 320;
    static constexpr int Quality = 85;
    static constexpr int ThumbnailQuality = 80;
    // Larger files are refused before they are read: no camera writes them.
    static constexpr qint64 MaxFileBytes = qint64(256) * 1024 * 1024;
    // A JPEG's header lies within its first bytes.
    static constexpr qint64 HeaderBytes = 1024 * 1024;
};
