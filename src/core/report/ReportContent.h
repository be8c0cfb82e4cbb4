#pragma once

#include "core/report/ReportOptions.h"

#include <QDateTime>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

class ProjectDocument;

// The project's texts and photos as a report shows them, in the report's
// order. Made on the GUI thread from the document; the pages are laid out
// and painted from this alone.
class ReportContent
{
public:
    struct Photo
    {
        qsizetype position = -1; // the entry's index in PositionList (and the scene)
        std::int32_t key = 0;
        QString number;   // as the photo list shows it
        QString fileName; // as stored
        QString path;     // where the file is looked for; empty without a name
        QString notes;    // line breaks as "\n"; empty: none
        QPoint mapPosition;
        std::int32_t direction = 0;
        QDateTime taken; // invalid when not known
        QString compass; // the viewing direction as a compass word; empty when not known
    };

    QString organisation;
    QStringList description; // the lines that are not blank
    QList<Photo> photos;

    // When the photo was taken, from its file (invalid: not known).
    using TimeSource = std::function<QDateTime(const QString &path)>;

    // The photos at positions (all when empty), in order. north: the
    // direction (as the entries give directions) in which north lies on the
    // map, when the map knows it. Throws TolvekError on an entry that is not
    // a valid integer.
    static ReportContent Build(const ProjectDocument &doc, const QList<qsizetype> &positions,
                               ReportOptions::Order order, std::optional<double> north = std::nullopt,
                               const TimeSource &times = TimeSource());

    // Stored notes (Windows-1252, line breaks CR LF) as text; the prompt a
    // new photo starts with counts as none.
    static QString NotesText(const QByteArray &stored);

    // N, NO, O, ZO, Z, ZW, W or NW for a direction, given where north lies
    // in the same measure (degrees counter-clockwise from pointing right).
    static QString CompassWord(double direction, double north);

    bool AnyTimeKnown() const;

    // Where north lies on doc's map (as Build takes it), when the map's
    // calibration says so.
    static std::optional<double> MapNorth(const ProjectDocument &doc);
    // When each photo was taken, from what its camera recorded; each file is
    // read once for the returned source's lifetime.
    static TimeSource CameraTimes();
};
