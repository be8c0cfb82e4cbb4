// The GeoTIFF tag reader (libtiff and libgeotiff), run here as the helper
// runs it, on a TIFF's bytes: it answers with a result or a problem, and a
// result it gives is read back by the program's side without complaint.

#include "FuzzCheck.h"
#include "FuzzSupport.h"

#include "core/map/GeoTiffTags.h"

#include <QDataStream>
#include <QIODevice>
#include <QSize>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString name = FuzzSupport::WriteScratch(QStringLiteral(".tif"), bytes);
    QByteArray request;
    QDataStream stream(&request, QIODevice::WriteOnly);
    stream << name;
    QByteArray out;
    FUZZ_CHECK(GeoTiffTags::ReadJob(request, out));
    FUZZ_CHECK(!out.isEmpty() && (out.at(0) == '0' || out.at(0) == '1'));
    if (out.at(0) == '1') {
        QDataStream answer(out.mid(1));
        bool hasTransform = false;
        double v[6];
        QString srs;
        QSize mapSize;
        answer >> hasTransform;
        for (double &d : v)
            answer >> d;
        answer >> srs >> mapSize;
        FUZZ_CHECK(answer.status() == QDataStream::Ok);
    }
    return 0;
}
