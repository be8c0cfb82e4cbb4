#include "core/map/WorldFile.h"

#include "core/platform/SafeFileWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace WorldFile {

namespace {

constexpr qint64 MaxAuxSize = 4 * 1024 * 1024;

QString Number(double value)
{
    // Twelve decimals: far below a millimetre, and the same bytes each time.
    QString text = QString::number(value, 'f', 12);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

bool WriteFile(const QString &path, const QByteArray &bytes, QString *reason)
{
    SafeFileWriter writer(path);
    if (writer.Open() && writer.Append(bytes.constData(), size_t(bytes.size())) && writer.Commit())
        return true;
    if (reason)
        *reason = writer.Reason();
    return false;
}

QByteArray ReadSmall(const QString &path)
{
    QFile file(path);
    if (QFileInfo(path).size() > MaxAuxSize || !file.open(QIODevice::ReadOnly))
        return {};
    return file.read(MaxAuxSize);
}

} // namespace

QString WorldFilePath(const QString &mapPath)
{
    const QFileInfo info(mapPath);
    const QString suffix = info.suffix().toLower();
    QString ending = QStringLiteral("wld");
    if (suffix == QLatin1String("png"))
        ending = QStringLiteral("pgw");
    else if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        ending = QStringLiteral("jgw");
    else if (suffix == QLatin1String("tif") || suffix == QLatin1String("tiff"))
        ending = QStringLiteral("tfw");
    else if (suffix == QLatin1String("bmp"))
        ending = QStringLiteral("bpw");
    const QString base = info.suffix().isEmpty() ? mapPath : mapPath.left(mapPath.size() - info.suffix().size() - 1);
    return base + QLatin1Char('.') + ending;
}

QString AuxPath(const QString &mapPath)
{
    return mapPath + QStringLiteral(".aux.xml");
}

QByteArray Text(const std::array<double, 6> &t)
{
    // The world file names the centre of the top-left pixel; the
    // geotransform its corner.
    const double x = t[0] + 0.5 * t[1] + 0.5 * t[2];
    const double y = t[3] + 0.5 * t[4] + 0.5 * t[5];
    QString text;
    for (double v : {t[1], t[4], t[2], t[5], x, y})
        text += Number(v) + QStringLiteral("\r\n");
    return text.toLatin1();
}

namespace {

// Whether bytes are well-formed XML with GDAL's root element.
bool IsPamDataset(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return false;
    QXmlStreamReader reader(bytes);
    bool root = false;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && !root) {
            if (reader.name() != QLatin1String("PAMDataset"))
                return false;
            root = true;
        }
    }
    return root && !reader.hasError();
}

} // namespace

QByteArray AuxXml(const QByteArray &wkt, const QByteArray &existing)
{
    QByteArray out;
    QXmlStreamWriter writer(&out);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(2);
    writer.writeStartElement(QStringLiteral("PAMDataset"));
    writer.writeStartElement(QStringLiteral("SRS"));
    writer.writeAttribute(QStringLiteral("dataAxisToSRSAxisMapping"), QStringLiteral("1,2"));
    writer.writeCharacters(QString::fromUtf8(wkt));
    writer.writeEndElement();
    // Everything else GDAL keeps there, except its own system and
    // geotransform, which would overrule ours.
    if (IsPamDataset(existing)) {
        QXmlStreamReader reader(existing);
        int depth = 0;
        bool skipping = false;
        while (!reader.atEnd()) {
            const QXmlStreamReader::TokenType token = reader.readNext();
            if (token == QXmlStreamReader::StartElement && ++depth == 2)
                skipping = reader.name() == QLatin1String("SRS") || reader.name() == QLatin1String("GeoTransform");
            const bool inside = depth >= 2 && !skipping;
            if (inside
                && (token == QXmlStreamReader::StartElement || token == QXmlStreamReader::EndElement
                    || (token == QXmlStreamReader::Characters && !reader.isWhitespace())))
                writer.writeCurrentToken(reader);
            if (token == QXmlStreamReader::EndElement)
                --depth;
        }
    }
    writer.writeEndElement();
    writer.writeEndDocument();
    return out;
}

bool Write(const QString &mapPath, const MapGeoreference &georeference, QString *reason)
{
    if (!georeference.IsFitted() || !georeference.Projection())
        return true;
    const QByteArray wkt = georeference.Projection()->Wkt();
    return WriteFile(WorldFilePath(mapPath), Text(georeference.GeoTransform()), reason)
        && WriteFile(AuxPath(mapPath), AuxXml(wkt, ReadSmall(AuxPath(mapPath))), reason);
}

void RemoveOwn(const QString &mapPath, const MapGeoreference &georeference)
{
    if (!georeference.IsFitted() || !georeference.Projection())
        return;
    if (ReadSmall(WorldFilePath(mapPath)) == Text(georeference.GeoTransform()))
        QFile::remove(WorldFilePath(mapPath));
    if (ReadSmall(AuxPath(mapPath)) == AuxXml(georeference.Projection()->Wkt()))
        QFile::remove(AuxPath(mapPath));
}

} // namespace WorldFile
