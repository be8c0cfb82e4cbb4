#pragma once

#include "core/report/ReportContent.h"
#include "core/report/ReportOptions.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>

// The pages of a photo report, worked out once before anything is painted,
// so that the preview, the PDF and the page count agree: where each line of
// text goes, each photo's box and key map, the overview map and its legend.
// Lengths are in dots of Dpi per inch; fonts have pixel sizes in the same
// dots and no hinting, so the lines break alike on every device.
class ReportLayout
{
public:
    static constexpr int Dpi = 300;
    static double Mm(double mm) { return mm * Dpi / 25.4; }

    enum class Style { Title, Heading, Body, Small, Note };
    static QFont Font(Style style);
    static QColor Colour(Style style);

    struct Run
    {
        Style style = Style::Body;
        QPointF baseline;
        QString text;
    };
    struct Cell
    {
        int photo = -1; // index in the content's photos
        QRectF photoBox;
        QRectF keyMap; // empty: none
    };
    struct Page
    {
        enum class Kind { Title, Photos, Notes } kind = Kind::Photos;
        QList<Run> runs;
        QList<Cell> cells;
        QRectF map;    // the overview map (title page)
        QRectF legend; // its legend; empty when there was no room
    };

    // mapSize: the overview map's pixels, so that its legend can sit right
    // under it (empty: the map takes the page's height).
    ReportLayout(const ReportOptions &options, const ReportContent &content, QSize mapSize = QSize());

    const ReportOptions &Options() const { return m_options; }
    const ReportContent &Content() const { return m_content; }
    const QList<Page> &Pages() const { return m_pages; }
    QSizeF PageSize() const { return m_pageSize; } // in dots

    // Text lines of width at most width: "\n" breaks, long words are split.
    // starts receives each line's first character in text.
    static QStringList Wrap(const QString &text, Style style, double width, QList<int> *starts = nullptr);
    static double LineHeight(Style style);

    // How big a photo marker is drawn on paper, at the least.
    static double MarkerMm() { return 4.0; }

private:
    struct Pending
    {
        int photo;
        int from; // first character of the notes not yet shown
    };

    void LayOutTitlePage();
    void LayOutPhotoPage(int first, int count, QList<Pending> &pending);
    void LayOutNotesPages(QList<Pending> &pending);
    void AddFrames();
    // Lines of style from top, as many as fit above bottom; returns the new top.
    double AddLines(Page &page, const QStringList &lines, Style style, double left, double top);
    QRectF Body() const { return m_body; }

    ReportOptions m_options;
    ReportContent m_content;
    QSize m_mapSize;
    QSizeF m_pageSize;
    QRectF m_body; // the page within margins, header and footer
    QList<Page> m_pages;
};
