#include "core/map/GeoPhotoExport.h"

#include "core/base/TolvekError.h"
#include "core/map/GpsPlacement.h"
#include "core/platform/AnsiCodec.h"
#include "core/platform/PathResolver.h"
#include "core/platform/SafeFileWriter.h"
#include "core/project/KeyTable.h"
#include "core/project/PhotoEntry.h"
#include "core/project/PhotoNotes.h"
#include "core/project/PhotoRecord.h"
#include "core/project/ProjectDocument.h"

#include <QDir>
#include <QFileInfo>
#include <QTimeZone>
#include <QUrl>
#include <QXmlStreamWriter>

#include <array>
#include <cmath>

namespace {

struct Photo
{
    std::int32_t key = 0;
    QString file;     // as stored in the project
    QString fullPath; // where it is found; empty without a file
    QString notes;
    EarthProjection::LonLat place;
    double bearing = 0;
    QString taken; // ISO 8601; empty when not recorded
};

QString Text(const QByteArray &bytes)
{
    return AnsiCodec::toUnicode(bytes);
}

QString Taken(const CameraRecord &record)
{
    if (!record.HasTime())
        return {};
    // With its offset when the camera gave one; else the camera's wall
    // time, which ISO 8601 writes without a zone.
    const QDateTime time = record.utcOffsetMinutes
        ? QDateTime(record.date, record.time, QTimeZone(*record.utcOffsetMinutes * 60))
        : QDateTime(record.date, record.time);
    QString text = time.toString(record.time.msec() ? Qt::ISODateWithMs : Qt::ISODate);
    if (!record.utcOffsetMinutes && text.endsWith(QLatin1Char('Z')))
        text.chop(1);
    return text;
}

// paths: whether each photo's file is looked for (KML links to it; GeoJSON
// only names it, and the file system is the slow part of a big export).
QList<Photo> Photos(const ProjectDocument &doc, const MapCalibration &calibration,
                    const GeoPhotoExport::RecordSource &records, bool paths)
{
    if (!calibration.IsGeoreferenced())
        throw TolvekError(GeoPhotoExport::NotGeoreferencedText());
    const MapGeoreference &georef = calibration.georeference;
    const QString folder = doc.ProjectFolder();
    // A number that is no integer ends the export with its message, before
    // anything else is done.
    QList<PhotoEntry::Position> positions;
    QList<QPointF> points;
    positions.reserve(doc.PositionList.size());
    points.reserve(doc.PositionList.size());
    for (const QByteArray &entry : doc.PositionList) {
        (void)PhotoEntry::Key(entry);
        positions.append(PhotoEntry::ParsePosition(entry));
        points.append(GpsPlacement::PhotoPoint(QPoint(positions.last().x, positions.last().y)));
    }
    // One call into PROJ for all.
    const QList<std::optional<EarthProjection::LonLat>> places = georef.ToEarth(points);

    KeyTable names, notes;
    names.Build(doc.NameList, KeyTable::BadKeys::Skip);
    notes.Build(doc.NotesList, KeyTable::BadKeys::Skip);
    // One resolver for the whole export: a folder of missing photos is then
    // listed once, not once per photo.
    PathResolver resolver;
    const double north = georef.North();
    QList<Photo> photos;
    photos.reserve(doc.PositionList.size());
    for (qsizetype i = 0; i < doc.PositionList.size(); ++i) {
        if (!places[i])
            continue;
        const QByteArray &entry = doc.PositionList[i];
        Photo photo;
        photo.key = PhotoEntry::Key(entry);
        const PhotoRecord record = PhotoRecord::Read(
            doc, i, [&](std::int32_t k) { return names.Find(k); }, [&](std::int32_t k) { return notes.Find(k); });
        photo.place = *places[i];
        photo.bearing = GeoPhotoExport::Bearing(positions[i].direction, north);
        if (record.HasFile()) {
            photo.file = Text(record.storedName);
            if (paths)
                photo.fullPath = record.ResolvedFile(folder, resolver);
            if (records)
                if (const std::optional<CameraRecord> camera = records(photo.file, folder))
                    photo.taken = Taken(*camera);
        }
        photo.notes = Text(PhotoNotes::Meaningful(record.Notes(doc)));
        photo.notes.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        photos.append(photo);
    }
    return photos;
}

void JsonString(QByteArray &out, const QString &text)
{
    out += '"';
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

QByteArray Degrees(double value)
{
    // Seven decimals: about a centimetre, well below any GPS.
    return QByteArray::number(value, 'f', 7);
}

QByteArray BearingText(double value)
{
    return QByteArray::number(value, 'f', 1);
}

QByteArray GeoJson(const QList<Photo> &photos)
{
    QByteArray out;
    out.reserve(photos.size() * 220 + 64);
    out += "{\"type\":\"FeatureCollection\",\"features\":[";
    bool first = true;
    for (const Photo &photo : photos) {
        out += first ? "\n" : ",\n";
        first = false;
        out += "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[";
        out += Degrees(photo.place.longitude);
        out += ',';
        out += Degrees(photo.place.latitude);
        out += "]},\"properties\":{\"nummer\":";
        out += QByteArray::number(photo.key);
        out += ",\"bestand\":";
        JsonString(out, photo.file);
        out += ",\"aantekeningen\":";
        JsonString(out, photo.notes);
        out += ",\"richting\":";
        out += BearingText(photo.bearing);
        out += ",\"genomen\":";
        if (photo.taken.isEmpty())
            out += "null";
        else
            JsonString(out, photo.taken);
        out += "}}";
    }
    out += "\n]}\n";
    return out;
}

struct Overlay
{
    QString href;
    // Lower left, lower right, upper right, upper left, as KML lists them.
    std::array<EarthProjection::LonLat, 4> corners;
};

QByteArray Kml(const QList<Photo> &photos, const std::optional<Overlay> &overlay)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("kml"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.opengis.net/kml/2.2"));
    const QString gx = QStringLiteral("http://www.google.com/kml/ext/2.2");
    if (overlay)
        xml.writeNamespace(gx, QStringLiteral("gx"));
    xml.writeStartElement(QStringLiteral("Document"));
    xml.writeTextElement(QStringLiteral("name"), QStringLiteral("Tolvek"));
    if (overlay) {
        // First, so that the points lie over it.
        xml.writeStartElement(QStringLiteral("GroundOverlay"));
        xml.writeTextElement(QStringLiteral("name"), QStringLiteral("Overzichtskaart"));
        xml.writeStartElement(QStringLiteral("Icon"));
        xml.writeTextElement(QStringLiteral("href"), overlay->href);
        xml.writeEndElement();
        xml.writeStartElement(gx, QStringLiteral("LatLonQuad"));
        QByteArray corners;
        for (const EarthProjection::LonLat &c : overlay->corners)
            corners += (corners.isEmpty() ? "" : " ") + Degrees(c.longitude) + ',' + Degrees(c.latitude);
        xml.writeTextElement(QStringLiteral("coordinates"), QString::fromLatin1(corners));
        xml.writeEndElement();
        xml.writeEndElement();
    }
    for (const Photo &photo : photos) {
        xml.writeStartElement(QStringLiteral("Placemark"));
        xml.writeTextElement(QStringLiteral("name"), QString::number(photo.key));
        // The balloon: the photo itself, then its notes.
        QString balloon;
        if (!photo.fullPath.isEmpty())
            balloon += QStringLiteral("<img src=\"%1\" width=\"400\"/><br/>")
                           .arg(QUrl::fromLocalFile(QFileInfo(photo.fullPath).absoluteFilePath())
                                    .toString(QUrl::FullyEncoded)
                                    .toHtmlEscaped());
        balloon += photo.notes.toHtmlEscaped().replace(QLatin1String("\n"), QLatin1String("<br/>"));
        xml.writeStartElement(QStringLiteral("description"));
        xml.writeCDATA(balloon);
        xml.writeEndElement();
        if (!photo.taken.isEmpty()) {
            xml.writeStartElement(QStringLiteral("TimeStamp"));
            xml.writeTextElement(QStringLiteral("when"), photo.taken);
            xml.writeEndElement();
        }
        xml.writeStartElement(QStringLiteral("Style"));
        xml.writeStartElement(QStringLiteral("IconStyle"));
        xml.writeTextElement(QStringLiteral("heading"), QString::fromLatin1(BearingText(photo.bearing)));
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("ExtendedData"));
        const auto data = [&xml](const QString &name, const QString &value) {
            xml.writeStartElement(QStringLiteral("Data"));
            xml.writeAttribute(QStringLiteral("name"), name);
            xml.writeTextElement(QStringLiteral("value"), value);
            xml.writeEndElement();
        };
        data(QStringLiteral("nummer"), QString::number(photo.key));
        data(QStringLiteral("bestand"), photo.file);
        data(QStringLiteral("aantekeningen"), photo.notes);
        data(QStringLiteral("richting"), QString::fromLatin1(BearingText(photo.bearing)));
        data(QStringLiteral("genomen"), photo.taken);
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("Point"));
        xml.writeTextElement(QStringLiteral("coordinates"),
                             QString::fromLatin1(Degrees(photo.place.longitude) + ',' + Degrees(photo.place.latitude)));
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

} // namespace

std::optional<GeoPhotoExport::Format> GeoPhotoExport::FormatFor(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("geojson") || suffix == QLatin1String("json"))
        return Format::GeoJson;
    if (suffix == QLatin1String("kml"))
        return Format::Kml;
    return std::nullopt;
}

QString GeoPhotoExport::NotGeoreferencedText()
{
    return QStringLiteral("De overzichtskaart ligt niet vast op aarde, dus de foto's hebben geen coördinaten. "
                          "Geef de kaart eerst paspunten met Gegevens > Kaart ijken > Coördinaten.");
}

double GeoPhotoExport::Bearing(int mapDirection, double northArrow)
{
    // The map direction is north's map angle (90 - the arrow) less the
    // bearing.
    double bearing = std::fmod(90 - northArrow - mapDirection, 360.0);
    if (bearing < 0)
        bearing += 360;
    return bearing >= 359.95 ? 0 : bearing;
}

QByteArray GeoPhotoExport::Build(const ProjectDocument &doc, const MapCalibration &calibration, Format format,
                                 const RecordSource &records, const std::optional<Plan> &plan)
{
    const QList<Photo> photos = Photos(doc, calibration, records, format == Format::Kml);
    if (format == Format::GeoJson)
        return GeoJson(photos);
    std::optional<Overlay> overlay;
    if (plan && plan->size.isValid()) {
        Overlay o;
        o.href = QUrl::fromLocalFile(QFileInfo(plan->path).absoluteFilePath()).toString(QUrl::FullyEncoded);
        const double w = plan->size.width(), h = plan->size.height();
        const std::array<QPointF, 4> mapCorners{QPointF(0, h), QPointF(w, h), QPointF(w, 0), QPointF(0, 0)};
        for (std::size_t i = 0; i < 4; ++i) {
            const auto earth = calibration.georeference.ToEarth(mapCorners[i]);
            if (!earth)
                throw TolvekError(NotGeoreferencedText());
            o.corners[i] = *earth;
        }
        overlay = o;
    }
    return Kml(photos, overlay);
}

void GeoPhotoExport::Write(const ProjectDocument &doc, const MapCalibration &calibration, Format format,
                           const RecordSource &records, const QString &fileName, const std::optional<Plan> &plan)
{
    const QByteArray bytes = Build(doc, calibration, format, records, plan);
    SafeFileWriter writer(fileName);
    if (!(writer.Open() && writer.Append(bytes.constData(), size_t(bytes.size())) && writer.Commit()))
        throw TolvekError(QStringLiteral("Kan het bestand \"%1\" niet schrijven: %2")
                              .arg(QDir::toNativeSeparators(fileName), writer.Reason()));
}
