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
#include <QFuture>
#include <QThread>
#include <QThreadPool>
#include <QTimeZone>
#include <QUrl>
#include <QXmlStreamWriter>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <string_view>

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

// What both formats start from: each photo's place on Earth, in the order
// of the position list (nothing for a photo off the Earth), and the
// look-ups of names and notes. A number that is no integer ends the export
// with its message, before anything else is done.
struct Prepared
{
    QList<PhotoEntry::Position> positions;
    QList<std::optional<EarthProjection::LonLat>> places;
    QString folder;
    KeyTable names, notes;
    double north = 0;

    Prepared(const ProjectDocument &doc, const MapCalibration &calibration)
    {
        if (!calibration.IsGeoreferenced())
            throw TolvekError(GeoPhotoExport::NotGeoreferencedText());
        // The look-ups are made on another thread meanwhile.
        QFuture<void> tables = QtConcurrent::run([this, &doc] {
            names.Build(doc.NameList, KeyTable::BadKeys::Skip);
            notes.Build(doc.NotesList, KeyTable::BadKeys::Skip);
        });
        try {
            QList<QPointF> points;
            positions.reserve(doc.PositionList.size());
            points.reserve(doc.PositionList.size());
            for (const QByteArray &entry : doc.PositionList) {
                (void)PhotoEntry::Key(entry);
                positions.append(PhotoEntry::ParsePosition(entry));
                points.append(GpsPlacement::PhotoPoint(QPoint(positions.last().x, positions.last().y)));
            }
            // One call for all.
            places = calibration.georeference.ToEarth(points);
        } catch (...) {
            tables.waitForFinished();
            throw;
        }
        folder = doc.ProjectFolder();
        north = calibration.georeference.North();
        tables.waitForFinished();
    }
};

// For KML, which links each photo's file.
QList<Photo> Photos(const ProjectDocument &doc, const MapCalibration &calibration,
                    const GeoPhotoExport::RecordSource &records)
{
    const Prepared prepared(doc, calibration);
    const auto &[positions, places, folder, names, notes, north] = prepared;
    // One resolver for the whole export: a folder of missing photos is then
    // listed once, not once per photo.
    PathResolver resolver;
    QList<Photo> photos;
    photos.reserve(doc.PositionList.size());
    for (qsizetype i = 0; i < doc.PositionList.size(); ++i) {
        if (!places[i])
            continue;
        const QByteArray &entry = doc.PositionList[i];
        Photo photo;
        photo.key = PhotoEntry::Key(entry);
        // The lambdas name prepared's members: clang before 16 cannot
        // capture a structured binding (the fuzz build uses clang 14).
        const PhotoRecord record = PhotoRecord::Read(
            doc, i, [&](std::int32_t k) { return prepared.names.Find(k); },
            [&](std::int32_t k) { return prepared.notes.Find(k); });
        photo.place = *places[i];
        photo.bearing = GeoPhotoExport::Bearing(positions[i].direction, north);
        if (record.HasFile()) {
            photo.file = Text(record.storedName);
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

QByteArray Degrees(double value)
{
    // Seven decimals: about a centimetre, well below any GPS.
    return QByteArray::number(value, 'f', 7);
}

QByteArray BearingText(double value)
{
    return QByteArray::number(value, 'f', 1);
}

// Where the GeoJSON's bytes go, a part at a time; false stops the export.
using Sink = std::function<bool(const char *data, std::size_t size)>;

// The GeoJSON written straight from the project's bytes: at 100000
// photos the detour through a QString per text was most of the export.
// It collects a part of the file, for Take.
class JsonOut
{
public:
    JsonOut() { m_bytes.resize(InitialSize); }

    void Put(std::string_view text)
    {
        char *p = Room(qsizetype(text.size()));
        std::memcpy(p, text.data(), text.size());
        m_used += qsizetype(text.size());
    }
    void Int(std::int64_t value)
    {
        char *p = Room(24);
        m_used = std::to_chars(p, p + 24, value).ptr - m_bytes.data();
    }
    // Fixed decimals (at most 9), exactly as QByteArray::number(value, 'f',
    // decimals) writes them: a half rounds away from zero, and -0 is "0".
    // Through an integer, as the general conversion is most of the cost
    // of the numbers; near a half, where the product's rounding could
    // decide, and for huge values, Qt's own conversion decides.
    void Fixed(double value, int decimals)
    {
        static constexpr double scales[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
        const double magnitude = std::abs(value);
        const double scaled = magnitude * scales[decimals];
        const double whole = std::floor(scaled);
        const double part = scaled - whole;
        // The product is within half an ulp of the true one: 2^-52 of it.
        if (!(scaled < 0x1p52) || std::abs(part - 0.5) <= scaled * 0x1p-50 + 0x1p-60) {
            const QByteArray text = QByteArray::number(value, 'f', decimals);
            Put(std::string_view(text.constData(), size_t(text.size())));
            return;
        }
        const std::uint64_t n = std::uint64_t(whole) + (part > 0.5 ? 1 : 0);
        char digits[24];
        int count = int(std::to_chars(digits, digits + sizeof digits, n).ptr - digits);
        char *p = Room(count + decimals + 3);
        char *const start = p;
        if (value < 0)
            *p++ = '-';
        if (count <= decimals) {
            // 0.000xyz: the leading zeros that the integer does not have.
            *p++ = '0';
            *p++ = '.';
            for (int i = count; i < decimals; ++i)
                *p++ = '0';
            std::memcpy(p, digits, size_t(count));
            p += count;
        } else {
            std::memcpy(p, digits, size_t(count - decimals));
            p += count - decimals;
            if (decimals > 0) {
                *p++ = '.';
                std::memcpy(p, digits + count - decimals, size_t(decimals));
                p += decimals;
            }
        }
        m_used += p - start;
    }
    enum class Lines {
        AsWritten, // control characters escaped
        Notes,     // the notes as stored: their line breaks, and CR LF, as one \n
    };
    // A JSON string of Windows-1252 text.
    void String(QByteArrayView ansi, Lines lines)
    {
        // Each byte takes at most six: \u00XX, or three of UTF-8.
        char *p = Room(ansi.size() * 6 + 2);
        char *const start = p;
        *p++ = '"';
        const Utf8Table &table = Table();
        const bool notes = lines == Lines::Notes;
        const char *c = ansi.data(), *const end = c + ansi.size();
        for (; c != end; ++c) {
            // Most text is plain ASCII: such a run goes over as it is.
            const char *run = c;
            while (run != end && static_cast<unsigned char>(*run) - 0x20u < 0x5fu && *run != '"' && *run != '\\')
                ++run;
            if (run != c) {
                std::memcpy(p, c, size_t(run - c));
                p += run - c;
                c = run;
                if (c == end)
                    break;
            }
            const char b = *c;
            const unsigned char u = static_cast<unsigned char>(b);
            if (notes && b == PhotoEntry::NotesLineBreak) {
                *p++ = '\\';
                *p++ = 'n';
            } else if (u >= 0x20 && b != '"' && b != '\\') {
                const Utf8 &t = table[u];
                std::memcpy(p, t.bytes, 4);
                p += t.size;
            } else if (b == '"' || b == '\\') {
                *p++ = '\\';
                *p++ = b;
            } else if (b == '\n' || (notes && b == '\r' && c + 1 != end && c[1] == '\n')) {
                if (b == '\r')
                    ++c;
                *p++ = '\\';
                *p++ = 'n';
            } else {
                static const char hex[] = "0123456789abcdef";
                std::memcpy(p, "\\u00", 4);
                p[4] = hex[u >> 4];
                p[5] = hex[u & 15];
                p += 6;
            }
        }
        *p++ = '"';
        m_used += p - start;
    }

    // All that was given.
    QByteArray Take()
    {
        m_bytes.resize(m_used);
        m_used = 0;
        return std::move(m_bytes);
    }

private:
    static constexpr qsizetype InitialSize = qsizetype(1) << 20;

    struct Utf8
    {
        char bytes[4];
        int size;
    };
    using Utf8Table = std::array<Utf8, 256>;

    // Windows-1252 is one byte a character: each byte's UTF-8, once.
    static const Utf8Table &Table()
    {
        static const Utf8Table table = [] {
            Utf8Table t{};
            for (int b = 0; b < 256; ++b) {
                const QByteArray utf8 = AnsiCodec::toUnicode(QByteArray(1, char(b))).toUtf8();
                t[b].size = int(std::min<qsizetype>(utf8.size(), 4));
                std::memcpy(t[b].bytes, utf8.constData(), size_t(t[b].size));
            }
            return t;
        }();
        return table;
    }

    char *Room(qsizetype n)
    {
        if (m_used + n > m_bytes.size())
            m_bytes.resize(std::max(m_used + n, 2 * m_bytes.size()));
        return m_bytes.data() + m_used;
    }

    QByteArray m_bytes;
    qsizetype m_used = 0;
};

// One photo's feature; first: no comma before it.
void Feature(JsonOut &out, const ProjectDocument &doc, const Prepared &prepared,
             const GeoPhotoExport::RecordSource &records, qsizetype i, bool first)
{
    // The notes are found here, not by the record, which would make their
    // first line as a QString for nothing; they are written from their
    // stored form.
    const PhotoRecord record = PhotoRecord::Read(
        doc, i, [&](std::int32_t k) { return prepared.names.Find(k); }, PhotoRecord::None);
    const qsizetype notesIndex = record.hasKey ? prepared.notes.Find(record.key) : -1;
    out.Put(first ? "\n" : ",\n");
    out.Put("{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[");
    out.Fixed(prepared.places[i]->longitude, 7);
    out.Put(",");
    out.Fixed(prepared.places[i]->latitude, 7);
    out.Put("]},\"properties\":{\"nummer\":");
    out.Int(record.key);
    out.Put(",\"bestand\":");
    out.String(record.HasFile() ? QByteArrayView(record.storedName) : QByteArrayView(), JsonOut::Lines::AsWritten);
    out.Put(",\"aantekeningen\":");
    out.String(notesIndex >= 0 && notesIndex < doc.NotesList.size()
                   ? PhotoNotes::Meaningful(PhotoEntry::ValueView(doc.NotesList[notesIndex]))
                   : QByteArrayView(),
               JsonOut::Lines::Notes);
    out.Put(",\"richting\":");
    out.Fixed(GeoPhotoExport::Bearing(prepared.positions[i].direction, prepared.north), 1);
    out.Put(",\"genomen\":");
    const std::optional<CameraRecord> camera =
        records && record.HasFile() ? records(Text(record.storedName), prepared.folder) : std::nullopt;
    const QString taken = camera ? Taken(*camera) : QString();
    if (taken.isEmpty())
        out.Put("null");
    else
        out.String(taken.toLatin1(), JsonOut::Lines::AsWritten);
    out.Put("}}");
}

// False when the sink refused a part. The features are made in parts of
// a few thousand photos on the threads of a pool, while the main thread
// writes the finished ones in their order (at most two parts a thread
// ahead, so memory stays a few megabytes): made on one thread, the export
// took four times as long as writing the project's data file.
bool GeoJson(const ProjectDocument &doc, const MapCalibration &calibration, const GeoPhotoExport::RecordSource &records,
             const Sink &sink)
{
    // A part's bytes fit the megabyte its JsonOut starts with.
    static constexpr qsizetype PhotosPerPart = 3000;
    const Prepared prepared(doc, calibration);
    const qsizetype count = doc.PositionList.size();
    qsizetype firstPlaced = 0;
    while (firstPlaced < count && !prepared.places[firstPlaced])
        ++firstPlaced;
    struct Part
    {
        QByteArray text;
        std::exception_ptr failure;
    };
    const auto make = [&](qsizetype from, qsizetype to) {
        Part part;
        try {
            JsonOut out;
            for (qsizetype i = from; i < to; ++i)
                if (prepared.places[i])
                    Feature(out, doc, prepared, records, i, i == firstPlaced);
            part.text = out.Take();
        } catch (...) {
            part.failure = std::current_exception();
        }
        return part;
    };
    auto put = [&sink](std::string_view text) { return sink(text.data(), text.size()); };

    // Declared after all that the parts read: it waits for them when it goes.
    QThreadPool pool;
    const int threads = std::max(1, QThread::idealThreadCount());
    pool.setMaxThreadCount(threads);
    std::deque<QFuture<Part>> pending;
    qsizetype next = 0;
    bool ok = put("{\"type\":\"FeatureCollection\",\"features\":[");
    while (ok && (next < count || !pending.empty())) {
        while (next < count && qsizetype(pending.size()) < 2 * threads) {
            const qsizetype to = std::min(count, next + PhotosPerPart);
            pending.push_back(QtConcurrent::run(&pool, make, next, to));
            next = to;
        }
        const Part part = pending.front().takeResult();
        pending.pop_front();
        if (part.failure)
            std::rethrow_exception(part.failure);
        ok = part.text.isEmpty() || sink(part.text.constData(), std::size_t(part.text.size()));
    }
    return ok && put("\n]}\n");
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
    if (format == Format::GeoJson) {
        QByteArray bytes;
        GeoJson(doc, calibration, records, [&bytes](const char *data, std::size_t size) {
            bytes.append(data, qsizetype(size));
            return true;
        });
        return bytes;
    }
    const QList<Photo> photos = Photos(doc, calibration, records);
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
    const QByteArray bytes = format == Format::Kml ? Build(doc, calibration, format, records, plan) : QByteArray();
    // Unnamed until committed: an export that throws half-way (a number
    // that is no integer) leaves nothing behind.
    SafeFileWriter writer(fileName);
    bool ok = writer.Open();
    if (ok && format == Format::Kml)
        ok = writer.Append(bytes.constData(), size_t(bytes.size()));
    else if (ok)
        // GeoJSON goes to the file as it is made.
        ok = GeoJson(doc, calibration, records,
                     [&writer](const char *data, std::size_t size) { return writer.Append(data, size); });
    if (!(ok && writer.Commit()))
        throw TolvekError(QStringLiteral("Kan het bestand \"%1\" niet schrijven: %2")
                              .arg(QDir::toNativeSeparators(fileName), writer.Reason()));
}
