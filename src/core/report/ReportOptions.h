#pragma once

#include <QDate>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QString>

class ProjectDocument;

// What the user chose for a photo report: which order, how many photos on a
// page, the paper, key maps, the photos' sharpness, title and author.
class ReportOptions
{
public:
    enum class Order { Number, List, Time };
    enum class Paper { A4, Letter };
    // The photos' pixel density on paper: sharper costs bytes.
    enum class Quality { Small, Normal, Sharp };

    Order order = Order::Number;
    int perPage = 2;         // 1, 2, 4 or 6
    bool notesBeside = true; // with 1 and 2 per page: beside the photo, else under it
    Paper paper = Paper::A4;
    bool landscape = false;
    bool keyMaps = false;
    Quality quality = Quality::Normal;
    QString title;
    QString author;
    QDate date = QDate::currentDate();

    static bool ValidPerPage(int n) { return n == 1 || n == 2 || n == 4 || n == 6; }
    // Notes beside the photo only where a photo has the page's width.
    bool NotesBesideShown() const { return notesBeside && perPage <= 2; }

    QPageSize PageSize() const;
    QPageLayout::Orientation Orientation() const { return landscape ? QPageLayout::Landscape : QPageLayout::Portrait; }
    // Pixels per inch of a photo as printed.
    int PhotoPpi() const;

    // Letter where the locale's country uses it, A4 everywhere else.
    static Paper DefaultPaper(const QLocale &locale = QLocale::system());

    // The title and author a new report starts with, from the project's
    // data: the first line of its description (else the project's name)
    // and the organisation that made it.
    static QString DefaultTitle(const ProjectDocument &doc);
    static QString DefaultAuthor(const ProjectDocument &doc);

    // The date as the report prints it, in Dutch: "7 december 2026".
    QString DateText() const;
};
