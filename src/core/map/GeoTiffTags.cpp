#include "core/map/GeoTiffTags.h"

#include "core/platform/IsolatedCall.h"

#include <QDataStream>
#include <QFile>

#include <cmath>

#include <geotiff/geotiff.h>
#include <geotiff/geovalues.h>
#include <geotiff/xtiffio.h>
#include <tiffio.h>

namespace {

bool Refuse(QString *problem, const QString &why)
{
    if (problem)
        *problem = why;
    return false;
}

// The answer of the job: a status byte, then the fields or the reason.
QByteArray Answer(const GeoTiffTags::Tags &tags)
{
    QByteArray out("1");
    QDataStream stream(&out, QIODevice::Append);
    stream << bool(tags.geoTransform);
    for (double v : tags.geoTransform.value_or(std::array<double, 6>{}))
        stream << v;
    stream << tags.srs << tags.size;
    return out;
}

QByteArray Failure(const QString &why)
{
    return "0" + why.toUtf8();
}

struct TiffCloser
{
    void operator()(TIFF *tif) const { XTIFFClose(tif); }
};
struct GtifCloser
{
    void operator()(GTIF *gtif) const { GTIFFree(gtif); }
};

bool Finite(const double *values, int count)
{
    for (int i = 0; i < count; ++i)
        if (!std::isfinite(values[i]))
            return false;
    return true;
}

} // namespace

bool GeoTiffTags::IsTiff(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    return head == QByteArray("II*\0", 4) || head == QByteArray("MM\0*", 4) || head == QByteArray("II+\0", 4)
        || head == QByteArray("MM\0+", 4);
}

bool GeoTiffTags::ReadJob(const QByteArray &request, QByteArray &out)
{
    QString path;
    QDataStream in(request);
    in >> path;
    // libtiff's own complaints would go to the helper's standard error.
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    const std::unique_ptr<TIFF, TiffCloser> tif(XTIFFOpen(QFile::encodeName(path).constData(), "r"));
    if (!tif) {
        out = Failure(QStringLiteral("het is geen leesbaar TIFF-bestand"));
        return true;
    }
    Tags tags;
    uint32_t width = 0, height = 0;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    tags.size = QSize(int(std::min<uint32_t>(width, INT32_MAX)), int(std::min<uint32_t>(height, INT32_MAX)));

    uint16_t count = 0;
    double *matrix = nullptr, *tiePoints = nullptr, *scale = nullptr;
    uint16_t tieCount = 0, scaleCount = 0;
    std::array<double, 6> t{};
    if (TIFFGetField(tif.get(), TIFFTAG_GEOTRANSMATRIX, &count, &matrix) && count >= 16 && Finite(matrix, 16)) {
        t = {matrix[3], matrix[0], matrix[1], matrix[7], matrix[4], matrix[5]};
        tags.geoTransform = t;
    } else if (TIFFGetField(tif.get(), TIFFTAG_GEOTIEPOINTS, &tieCount, &tiePoints) && tieCount == 6
               && TIFFGetField(tif.get(), TIFFTAG_GEOPIXELSCALE, &scaleCount, &scale) && scaleCount >= 2
               && Finite(tiePoints, 6) && Finite(scale, 2)) {
        // One tie point and the pixel size; rows run down, so y shrinks.
        t = {tiePoints[3] - tiePoints[0] * scale[0], scale[0], 0, tiePoints[4] + tiePoints[1] * scale[1], 0, -scale[1]};
        tags.geoTransform = t;
    } else if (tieCount > 6) {
        out = Failure(QStringLiteral("de GeoTIFF legt de kaart vast met losse paspunten, niet met een omzetting"));
        return true;
    }

    const std::unique_ptr<GTIF, GtifCloser> gtif(GTIFNew(tif.get()));
    if (gtif) {
        unsigned short model = 0, code = 0, raster = 0;
        GTIFKeyGetSHORT(gtif.get(), GTModelTypeGeoKey, &model, 0, 1);
        // A pixel that is a point: the tie point is the pixel's centre, so the
        // corner lies half a pixel up and left, as GDAL reads it.
        if (GTIFKeyGetSHORT(gtif.get(), GTRasterTypeGeoKey, &raster, 0, 1) && raster == RasterPixelIsPoint
            && tags.geoTransform) {
            t[0] -= 0.5 * t[1] + 0.5 * t[2];
            t[3] -= 0.5 * t[4] + 0.5 * t[5];
            tags.geoTransform = t;
        }
        const geokey_t key = model == ModelTypeGeographic ? GeographicTypeGeoKey : ProjectedCSTypeGeoKey;
        if (model == ModelTypeProjected || model == ModelTypeGeographic) {
            if (GTIFKeyGetSHORT(gtif.get(), key, &code, 0, 1) && code > 0 && code != KvUserDefined)
                tags.srs = QStringLiteral("EPSG:%1").arg(code);
            else if (tags.geoTransform) {
                out = Failure(QStringLiteral("de GeoTIFF noemt zijn coördinatenstelsel niet met een EPSG-code"));
                return true;
            }
        }
    }
    out = Answer(tags);
    return true;
}

std::optional<GeoTiffTags::Tags> GeoTiffTags::Read(const QString &path, QString *problem)
{
    IsolatedCall::Limits limits;
    limits.milliseconds = 10000;
    limits.memoryBytes = qint64(256) << 20;
    limits.outputBytes = 64 * 1024;
    QByteArray request;
    QDataStream stream(&request, QIODevice::WriteOnly);
    stream << path;
    const IsolatedCall::Result r = IsolatedCall::Run(Job, request, limits);
    if (r.status == IsolatedCall::Status::NoChild)
        return Refuse(problem, QStringLiteral("er kon geen proces worden gestart om de GeoTIFF te lezen")),
               std::nullopt;
    if (r.status != IsolatedCall::Status::Ok || r.output.isEmpty())
        return Refuse(problem, QStringLiteral("de GeoTIFF is beschadigd (het lezen is mislukt)")), std::nullopt;
    if (r.output.at(0) != '1')
        return Refuse(problem, QString::fromUtf8(r.output.mid(1))), std::nullopt;
    QDataStream answer(r.output.mid(1));
    bool hasTransform = false;
    std::array<double, 6> t{};
    Tags tags;
    answer >> hasTransform;
    for (double &v : t)
        answer >> v;
    answer >> tags.srs >> tags.size;
    if (answer.status() != QDataStream::Ok)
        return Refuse(problem, QStringLiteral("de GeoTIFF is beschadigd (het lezen is mislukt)")), std::nullopt;
    if (hasTransform)
        tags.geoTransform = t;
    return tags;
}
