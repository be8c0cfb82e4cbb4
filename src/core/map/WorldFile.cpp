#include "core/map/WorldFile.h"

#include "core/map/GeoTiffTags.h"
#include "core/platform/SafeFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>

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

namespace {

constexpr qsizetype MaxSrsLength = 64 * 1024;
// Far beyond any coordinate on Earth in metres or feet.
constexpr double MaxCoordinate = 1e12;

bool Refuse(QString *problem, const QString &why)
{
    if (problem)
        *problem = why;
    return false;
}

std::optional<double> Decimal(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^[-+]?(\\d{1,20}(\\.\\d{0,30})?|\\.\\d{1,30})([eE][-+]?\\d{1,3})?$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::abs(value) > MaxCoordinate)
        return std::nullopt;
    return value;
}

// A transform from pixels that spans an area: not zero, not flat.
bool Spans(const std::array<double, 6> &t)
{
    const double det = t[1] * t[5] - t[2] * t[4];
    const double size = t[1] * t[1] + t[2] * t[2] + t[4] * t[4] + t[5] * t[5];
    return size > 0 && std::abs(det) > 1e-9 * size && std::isfinite(det);
}

std::optional<EarthProjection> SystemOf(const QString &srs, QString *problem)
{
    const QString text = srs.trimmed();
    if (text.isEmpty())
        return Refuse(problem, QStringLiteral("het noemt geen coördinatenstelsel")), std::nullopt;
    if (text.size() > MaxSrsLength)
        return Refuse(problem, QStringLiteral("het coördinatenstelsel is te lang")), std::nullopt;
    static const QRegularExpression epsg(QStringLiteral("^EPSG:\\d{1,6}$"));
    static const QRegularExpression wkt(QStringLiteral("^[A-Z][A-Z0-9_]{1,20}\\s*\\["));
    if (!epsg.match(text).hasMatch() && !wkt.match(text).hasMatch())
        return Refuse(problem, QStringLiteral("het coördinatenstelsel is geen WKT en geen EPSG-code")), std::nullopt;
    for (const QChar c : text)
        if (c.unicode() < 0x20 && c != QLatin1Char('\n') && c != QLatin1Char('\r') && c != QLatin1Char('\t'))
            return Refuse(problem, QStringLiteral("het coördinatenstelsel bevat stuurtekens")), std::nullopt;
    // Grid files named in the system would have PROJ open any file on the
    // computer; names from PROJ's own data (or none, @null) are fine.
    static const QRegularExpression files(
        QStringLiteral("(?:grids|init)\\s*=\\s*([^\\s\"\\]]*)|PARAMETERFILE\\s*\\[\\s*\"[^\"]*\"\\s*,\\s*\"([^\"]*)\""),
        QRegularExpression::CaseInsensitiveOption);
    for (auto it = files.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString name = m.captured(1) + m.captured(2);
        if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name.startsWith(QLatin1Char('~'))
            || name.contains(QLatin1String("..")))
            return Refuse(problem, QStringLiteral("het coördinatenstelsel verwijst naar een bestand")), std::nullopt;
    }
    QString why;
    std::optional<EarthProjection> projection = EarthProjection::FromName(text, &why);
    if (!projection)
        Refuse(problem, QStringLiteral("het coördinatenstelsel is onbekend (%1)").arg(why));
    return projection;
}

QString Shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString NotUsed(const QString &path, const QString &why)
{
    return QStringLiteral("Georeferentie uit '%1' niet gebruikt: %2.").arg(Shown(path), why);
}

// The bytes of a small regular file; nothing with why when it is not one.
std::optional<QByteArray> ReadLimited(const QString &path, qint64 limit, QString *why)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return Refuse(why, QStringLiteral("het is geen gewoon bestand")), std::nullopt;
    if (info.size() > limit)
        return Refuse(why, QStringLiteral("het bestand is groter dan %1 kB").arg(limit / 1024)), std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Refuse(why, QStringLiteral("het kan niet worden gelezen (%1)").arg(file.errorString())), std::nullopt;
    const QByteArray bytes = file.read(limit + 1);
    if (bytes.size() > limit)
        return Refuse(why, QStringLiteral("het bestand is groter dan %1 kB").arg(limit / 1024)), std::nullopt;
    return bytes;
}

} // namespace

std::optional<std::array<double, 6>> ParseText(const QByteArray &bytes, QString *problem)
{
    if (bytes.size() > MaxWorldFileSize)
        return Refuse(problem, QStringLiteral("het bestand is te groot voor een wereldbestand")), std::nullopt;
    QStringList lines = QString::fromLatin1(bytes).split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = line.trimmed();
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.size() != 6)
        return Refuse(problem, QStringLiteral("een wereldbestand heeft zes regels met elk een getal")), std::nullopt;
    double v[6];
    for (int i = 0; i < 6; ++i) {
        const std::optional<double> value = Decimal(lines[i]);
        if (!value)
            return Refuse(problem, QStringLiteral("regel %1 is geen getal").arg(i + 1)), std::nullopt;
        v[i] = *value;
    }
    // A, D, B, E, then the centre of the top-left pixel; GDAL's transform
    // starts at its corner.
    const std::array<double, 6> t{v[4] - 0.5 * v[0] - 0.5 * v[2], v[0], v[2],
                                  v[5] - 0.5 * v[1] - 0.5 * v[3], v[1], v[3]};
    if (!Spans(t))
        return Refuse(problem, QStringLiteral("de pixels hebben geen oppervlak")), std::nullopt;
    return t;
}

std::optional<AuxContent> ParseAux(const QByteArray &bytes, QString *problem)
{
    if (bytes.size() > MaxAuxSize)
        return Refuse(problem, QStringLiteral("het bestand is groter dan %1 kB").arg(MaxAuxSize / 1024)), std::nullopt;
    QXmlStreamReader reader(bytes);
    AuxContent content;
    int depth = 0;
    bool rootSeen = false, srsSeen = false;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::EntityReference)
            return Refuse(problem, QStringLiteral("het bevat een DTD of entiteiten")), std::nullopt;
        if (token == QXmlStreamReader::EndElement)
            --depth;
        if (token != QXmlStreamReader::StartElement)
            continue;
        ++depth;
        if (depth == 1) {
            if (reader.name() != QLatin1String("PAMDataset"))
                return Refuse(problem, QStringLiteral("het is geen GDAL-bestand (PAMDataset)")), std::nullopt;
            rootSeen = true;
        } else if (depth == 2 && reader.name() == QLatin1String("SRS") && !srsSeen) {
            srsSeen = true;
            content.srs = reader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
            --depth;
        } else if (depth == 2 && reader.name() == QLatin1String("GeoTransform") && !content.geoTransform) {
            const QStringList parts =
                reader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement).split(QLatin1Char(','));
            --depth;
            std::array<double, 6> t{};
            for (int i = 0; i < 6 && parts.size() == 6; ++i) {
                const std::optional<double> value = Decimal(parts[i].trimmed());
                if (!value)
                    break;
                t[size_t(i)] = *value;
                if (i == 5)
                    content.geoTransform = t;
            }
            if (!content.geoTransform || !Spans(t))
                return Refuse(problem, QStringLiteral("de GeoTransform is geen bruikbare omzetting")), std::nullopt;
        }
    }
    if (reader.hasError())
        return Refuse(problem,
                      QStringLiteral("het is geen geldig XML (regel %1: %2)")
                          .arg(reader.lineNumber())
                          .arg(reader.errorString())),
               std::nullopt;
    if (!rootSeen)
        return Refuse(problem, QStringLiteral("het is leeg")), std::nullopt;
    return content;
}

std::optional<MapGeoreference> FromTransform(const std::array<double, 6> &t, const QString &srs, QSize mapSize,
                                             QString *problem)
{
    if (!Spans(t))
        return Refuse(problem, QStringLiteral("de pixels hebben geen oppervlak")), std::nullopt;
    if (mapSize.width() < 2 || mapSize.height() < 2)
        return Refuse(problem, QStringLiteral("de maat van de kaart is niet te lezen")), std::nullopt;
    const std::optional<EarthProjection> system = SystemOf(srs, problem);
    if (!system)
        return std::nullopt;
    MapGeoreference georef;
    georef.kind = MapGeoreference::Kind::Affine;
    const double w = mapSize.width(), h = mapSize.height();
    const double pixel = std::min(std::hypot(t[1], t[4]), std::hypot(t[2], t[5]));
    for (const QPointF corner : {QPointF(0, 0), QPointF(w, 0), QPointF(w, h), QPointF(0, h)}) {
        const QPointF projected(t[0] + t[1] * corner.x() + t[2] * corner.y(),
                                t[3] + t[4] * corner.x() + t[5] * corner.y());
        const std::optional<EarthProjection::LonLat> earth = system->ToEarth(projected);
        // Far outside its system's area, PROJ gives positions that do not
        // lead back.
        const std::optional<QPointF> back = earth ? system->ToProjected(*earth) : std::nullopt;
        if (!earth || !back || std::abs(earth->longitude) > 180 || std::abs(earth->latitude) > 90
            || std::hypot(back->x() - projected.x(), back->y() - projected.y()) > 0.1 * pixel)
            return Refuse(problem, QStringLiteral("de hoeken van de kaart liggen niet op aarde in dit stelsel")),
                   std::nullopt;
        georef.points.append({corner, *earth, true});
    }
    QString why;
    if (!georef.Fit(&why))
        return Refuse(problem, why), std::nullopt;
    return georef;
}

QStringList ReadPaths(const QString &mapPath)
{
    const QFileInfo info(mapPath);
    const QString suffix = info.suffix();
    const QString base = suffix.isEmpty() ? mapPath : mapPath.left(mapPath.size() - suffix.size() - 1);
    QStringList endings;
    if (!suffix.isEmpty()) {
        const QString own = QFileInfo(WorldFilePath(mapPath)).suffix();
        if (own != QLatin1String("wld"))
            endings << own;
        endings << (suffix.left(1) + suffix.right(1) + QLatin1Char('w')).toLower()
                << suffix.toLower() + QLatin1Char('w');
    }
    endings << QStringLiteral("wld");
    QStringList paths;
    for (const QString &ending : endings)
        for (const QString &variant : {ending, ending.toUpper()})
            if (!paths.contains(base + QLatin1Char('.') + variant))
                paths << base + QLatin1Char('.') + variant;
    return paths;
}

bool HasForeign(const QString &mapPath, const std::optional<MapGeoreference> &ours)
{
    for (const QString &path : ReadPaths(mapPath)) {
        if (!QFileInfo::exists(path))
            continue;
        const bool own =
            ours && ours->IsFitted() && path == WorldFilePath(mapPath) && ReadSmall(path) == Text(ours->GeoTransform());
        if (!own)
            return true;
    }
    // A transform in the .aux.xml is never ours; and GDAL reads a GeoTIFF's
    // own transform before a world file, so ours would meet the GIS's there.
    const std::optional<AuxContent> aux = ParseAux(ReadSmall(AuxPath(mapPath)), nullptr);
    if (aux && aux->geoTransform)
        return true;
    if (GeoTiffTags::IsTiff(mapPath)) {
        const std::optional<GeoTiffTags::Tags> tags = GeoTiffTags::Read(mapPath, nullptr);
        return !tags || tags->geoTransform;
    }
    return false;
}

std::optional<GisGeoreference> Read(const QString &mapPath, QString *problem)
{
    QSize mapSize;
    if (problem)
        problem->clear();
    QString why;
    std::optional<std::array<double, 6>> transform;
    QString source;
    for (const QString &path : ReadPaths(mapPath)) {
        if (!QFileInfo::exists(path))
            continue;
        source = path;
        const std::optional<QByteArray> bytes = ReadLimited(path, MaxWorldFileSize, &why);
        transform = bytes ? ParseText(*bytes, &why) : std::nullopt;
        if (!transform)
            return Refuse(problem, NotUsed(path, why)), std::nullopt;
        break;
    }
    const QString auxPath = AuxPath(mapPath);
    QString srs, srsFile;
    if (QFileInfo::exists(auxPath)) {
        const std::optional<QByteArray> bytes = ReadLimited(auxPath, MaxAuxSize, &why);
        const std::optional<AuxContent> aux = bytes ? ParseAux(*bytes, &why) : std::nullopt;
        if (!aux)
            return Refuse(problem, NotUsed(auxPath, why)), std::nullopt;
        if (!transform && aux->geoTransform) {
            transform = aux->geoTransform;
            source = auxPath;
        }
        srs = aux->srs.trimmed();
        srsFile = auxPath;
    }
    // A GeoTIFF carries both in its own tags; the files beside it go first,
    // as they were put there to say something else.
    if ((!transform || srs.isEmpty()) && GeoTiffTags::IsTiff(mapPath)) {
        const std::optional<GeoTiffTags::Tags> tags = GeoTiffTags::Read(mapPath, &why);
        if (!tags)
            return Refuse(problem, NotUsed(mapPath, why)), std::nullopt;
        if (!transform && tags->geoTransform) {
            transform = tags->geoTransform;
            source = mapPath;
        }
        if (srs.isEmpty() && !tags->srs.isEmpty()) {
            srs = tags->srs;
            srsFile = mapPath;
        }
        mapSize = tags->size;
    }
    if (!transform)
        return std::nullopt;
    // Only the header is read.
    if (mapSize.isEmpty())
        mapSize = QImageReader(mapPath).size();
    if (srs.isEmpty())
        return Refuse(problem,
                      NotUsed(source,
                              QStringLiteral("er staat geen coördinatenstelsel bij (in '%1')").arg(Shown(auxPath)))),
               std::nullopt;
    // Which file a problem lies in: the one that named the system.
    if (!SystemOf(srs, &why))
        return Refuse(problem, NotUsed(srsFile, why)), std::nullopt;
    std::optional<MapGeoreference> georef = FromTransform(*transform, srs, mapSize, &why);
    if (!georef)
        return Refuse(problem, NotUsed(source, why)), std::nullopt;
    return GisGeoreference{*georef, source};
}

} // namespace WorldFile
