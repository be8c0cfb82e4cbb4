#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <array>
#include <optional>

// Where a GeoTIFF map says it lies: its own tags (the model tie point and
// pixel scale, or the transformation matrix) and its coordinate system by
// EPSG code. libgeotiff and libtiff read them in the helper process (see
// IsolatedCall), as the TIFF may come from anywhere.
class GeoTiffTags
{
public:
    struct Tags
    {
        std::optional<std::array<double, 6>> geoTransform; // GDAL's, from the top-left corner
        QString srs;                                       // "EPSG:n"; empty when the file names none
        QSize size;
    };

    // Whether the file's first bytes are a TIFF's.
    static bool IsTiff(const QString &path);
    // The tags of the TIFF at path; nothing with problem (Dutch, without
    // the file's name) when it cannot be read or says something unusable.
    static std::optional<Tags> Read(const QString &path, QString *problem);

    static constexpr const char *Job = "geotiff";
    static bool ReadJob(const QByteArray &request, QByteArray &out);
};
