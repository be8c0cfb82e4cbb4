#include "core/report/ReportContent.h"

#include "core/map/MapCalibration.h"
#include "core/map/MapDrawing.h"
#include "core/photos/ExifReader.h"
#include "core/platform/AnsiCodec.h"
#include "core/platform/PathResolver.h"
#include "core/project/KeyTable.h"
#include "core/project/PhotoEntry.h"
#include "core/project/PhotoNotes.h"
#include "core/project/PhotoRecord.h"
#include "core/project/ProjectDocument.h"

#include <QHash>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <memory>

ReportContent ReportContent::Build(const ProjectDocument &doc, const QList<qsizetype> &positions,
                                   ReportOptions::Order order, std::optional<double> north, const TimeSource &times)
{
    ReportContent content;
    content.organisation = AnsiCodec::toUnicode(doc.Organisation).trimmed();
    for (const QByteArray *line : {&doc.Description1, &doc.Description2, &doc.Description3})
        if (!line->trimmed().isEmpty())
            content.description << AnsiCodec::toUnicode(*line).trimmed();

    QList<qsizetype> chosen = positions;
    if (chosen.isEmpty())
        for (qsizetype i = 0; i < doc.PositionList.size(); ++i)
            chosen << i;

    const QString folder = doc.ProjectFolder();
    // One pass over each list: a project may hold a hundred thousand photos.
    KeyTable names, notes;
    names.Build(doc.NameList, KeyTable::BadKeys::Skip);
    notes.Build(doc.NotesList, KeyTable::BadKeys::Skip);
    // One resolver for the report: each folder is listed once.
    PathResolver resolver;
    for (const qsizetype i : chosen) {
        if (i < 0 || i >= doc.PositionList.size())
            continue;
        const QByteArray &entry = doc.PositionList[i];
        Photo photo;
        photo.position = i;
        // A number that is no integer ends the report with its message.
        photo.key = PhotoEntry::Key(entry);
        const PhotoEntry::Position p = PhotoEntry::ParsePosition(entry);
        const PhotoRecord record = PhotoRecord::Read(
            doc, i, [&](std::int32_t key) { return names.Find(key); },
            [&](std::int32_t key) { return notes.Find(key); });
        photo.mapPosition = QPoint(p.x, p.y);
        photo.direction = p.direction;
        photo.number = QString::number(photo.key);
        if (record.HasFile()) {
            photo.fileName = AnsiCodec::toUnicode(record.storedName);
            photo.path = record.ResolvedFile(folder, resolver);
        }
        photo.notes = NotesText(record.Notes(doc));
        if (times && !photo.path.isEmpty())
            photo.taken = times(photo.path);
        if (north)
            photo.compass = CompassWord(photo.direction, *north);
        content.photos << photo;
    }

    switch (order) {
    case ReportOptions::Order::List:
        break;
    case ReportOptions::Order::Number:
        std::stable_sort(content.photos.begin(), content.photos.end(),
                         [](const Photo &a, const Photo &b) { return a.key < b.key; });
        break;
    case ReportOptions::Order::Time:
        // Photos whose time is not known come last, by number.
        std::stable_sort(content.photos.begin(), content.photos.end(), [](const Photo &a, const Photo &b) {
            if (a.taken.isValid() != b.taken.isValid())
                return a.taken.isValid();
            if (a.taken.isValid() && a.taken != b.taken)
                return a.taken < b.taken;
            return a.key < b.key;
        });
        break;
    }
    return content;
}

QString ReportContent::NotesText(const QByteArray &stored)
{
    QString text = AnsiCodec::toUnicode(stored);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    if (PhotoNotes::IsPrompt(stored))
        return QString();
    return text;
}

QString ReportContent::CompassWord(double direction, double north)
{
    static const char *const Words[] = {"N", "NO", "O", "ZO", "Z", "ZW", "W", "NW"};
    // Bearing: clockwise from north.
    double bearing = std::fmod(north - direction, 360.0);
    if (bearing < 0)
        bearing += 360.0;
    const int sector = int(std::floor((bearing + 22.5) / 45.0)) % 8;
    return QString::fromLatin1(Words[sector]);
}

bool ReportContent::AnyTimeKnown() const
{
    return std::any_of(photos.begin(), photos.end(), [](const Photo &p) { return p.taken.isValid(); });
}

std::optional<double> ReportContent::MapNorth(const ProjectDocument &doc)
{
    const QString mapPath = MapDrawing::MapFilePath(doc);
    if (mapPath.isEmpty())
        return std::nullopt;
    const MapCalibration calibration = MapCalibration::Load(mapPath, nullptr);
    if (!calibration.HasNorth())
        return std::nullopt;
    return calibration.NorthMapAngle();
}

ReportContent::TimeSource ReportContent::CameraTimes()
{
    auto known = std::make_shared<QHash<QString, QDateTime>>();
    return [known](const QString &path) {
        const auto it = known->constFind(path);
        if (it != known->constEnd())
            return *it;
        const CameraRecord record = ExifReader::Read(path);
        QDateTime taken;
        // The camera's wall time, with its offset from UTC when it gave one,
        // so that photos of several clocks sort as they were taken.
        if (record.HasTime())
            taken = record.utcOffsetMinutes
                ? QDateTime(record.date, record.time, QTimeZone(*record.utcOffsetMinutes * 60))
                : QDateTime(record.date, record.time, Qt::UTC);
        known->insert(path, taken);
        return taken;
    };
}
