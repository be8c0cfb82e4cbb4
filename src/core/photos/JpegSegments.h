#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The marker segments in front of a JPEG's image data. A camera puts its
// metadata there: EXIF (GPS position, serial number, owner), XMP, IPTC and
// comments. The image data and what decoding needs (JFIF, Adobe colour
// transform, ICC profile, tables) stay untouched.
class JpegSegments
{
public:
    // The JPEG without its metadata segments; data as it was when it is not
    // a JPEG whose segments can be walked.
    static QByteArray Strip(const QByteArray &data);

    // The metadata segments of data, whole (markers and lengths included),
    // with an EXIF orientation set to 1: for a copy whose pixels are
    // already upright.
    static QByteArray Metadata(const QByteArray &data);

    // jpeg (as an encoder wrote it) with segments put in after its SOI and
    // a JFIF segment.
    static QByteArray Insert(const QByteArray &jpeg, const QByteArray &segments);

    // The TIFF data of the first APP1 segment beginning "Exif\0\0" (what
    // follows those six bytes), as a view into data; an empty view when the
    // segments in front of the image hold none. Nothing when data is not a
    // JPEG whose segments can be walked up to its image data, or one with a
    // segment that cameras do not write.
    static std::optional<QByteArrayView> ExifPayload(const QByteArray &data);

    // Sets the orientation tag of an APP1 payload beginning "Exif\0\0" to 1
    // in place; nothing when there is none.
    static void ResetOrientation(QByteArray &payload);
};
