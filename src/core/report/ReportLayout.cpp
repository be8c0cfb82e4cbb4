#include "core/report/ReportLayout.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace {

double Points(double pt)
{
    return pt * ReportLayout::Dpi / 72.0;
}

constexpr double MarginMm = 15;
constexpr double HeaderMm = 9;
constexpr double FooterMm = 9;
constexpr double GapMm = 6;

} // namespace

QFont ReportLayout::Font(Style style)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(true);
    double pt = 10;
    switch (style) {
    case Style::Title:
        pt = 20;
        font.setBold(true);
        break;
    case Style::Heading:
        pt = 11;
        font.setBold(true);
        break;
    case Style::Body:
        pt = 10;
        break;
    case Style::Small:
        pt = 8;
        break;
    case Style::Note:
        pt = 8;
        font.setItalic(true);
        break;
    }
    font.setPixelSize(int(std::lround(Points(pt))));
    return font;
}

QColor ReportLayout::Colour(Style style)
{
    switch (style) {
    case Style::Small:
        return QColor(60, 60, 60);
    case Style::Note:
        return QColor(90, 90, 90);
    default:
        return Qt::black;
    }
}

double ReportLayout::LineHeight(Style style)
{
    return QFontMetricsF(Font(style)).lineSpacing();
}

QStringList ReportLayout::Wrap(const QString &text, Style style, double width, QList<int> *starts)
{
    QStringList lines;
    if (starts)
        starts->clear();
    if (text.isEmpty())
        return lines;
    QString laid = text;
    laid.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(laid, Font(style));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        QString part = laid.mid(line.textStart(), line.textLength());
        while (!part.isEmpty() && (part.back() == QChar::LineSeparator || part.back().isSpace()))
            part.chop(1);
        lines << part;
        if (starts)
            *starts << line.textStart();
    }
    layout.endLayout();
    return lines;
}

ReportLayout::ReportLayout(const ReportOptions &options, const ReportContent &content, QSize mapSize)
    : m_options(options),
      m_content(content),
      m_mapSize(mapSize)
{
    if (!ReportOptions::ValidPerPage(m_options.perPage))
        m_options.perPage = 2;
    QSizeF points = m_options.PageSize().size(QPageSize::Point);
    if (m_options.landscape)
        points.transpose();
    m_pageSize = QSizeF(Points(points.width()), Points(points.height()));
    const double margin = Mm(MarginMm);
    m_body = QRectF(margin, margin + Mm(HeaderMm), m_pageSize.width() - 2 * margin,
                    m_pageSize.height() - 2 * margin - Mm(HeaderMm) - Mm(FooterMm));

    LayOutTitlePage();
    QList<Pending> pending;
    const int n = int(m_content.photos.size());
    for (int first = 0; first < n; first += m_options.perPage) {
        LayOutPhotoPage(first, std::min(m_options.perPage, n - first), pending);
        LayOutNotesPages(pending);
    }
    AddFrames();
}

double ReportLayout::AddLines(Page &page, const QStringList &lines, Style style, double left, double top)
{
    const QFontMetricsF metrics(Font(style));
    for (const QString &line : lines) {
        page.runs.append({style, QPointF(left, top + metrics.ascent()), line});
        top += metrics.lineSpacing();
    }
    return top;
}

void ReportLayout::LayOutTitlePage()
{
    Page page;
    page.kind = Page::Kind::Title;
    const double left = m_body.left(), width = m_body.width();
    double top = m_body.top();
    const QString title = m_options.title.trimmed().isEmpty() ? QStringLiteral("Fotorapport") : m_options.title;
    top = AddLines(page, Wrap(title, Style::Title, width), Style::Title, left, top) + Mm(2);
    if (!m_content.organisation.isEmpty())
        top = AddLines(page, Wrap(m_content.organisation, Style::Heading, width), Style::Heading, left, top);
    for (const QString &line : m_content.description)
        if (line != title.trimmed())
            top = AddLines(page, Wrap(line, Style::Body, width), Style::Body, left, top);
    top += Mm(3);
    QStringList facts;
    facts << QStringLiteral("Datum van het rapport: %1").arg(m_options.DateText());
    if (!m_options.author.trimmed().isEmpty())
        facts << QStringLiteral("Opgesteld door: %1").arg(m_options.author.trimmed());
    const int n = int(m_content.photos.size());
    facts << (n == 1 ? QStringLiteral("1 foto") : QStringLiteral("%1 foto's").arg(n));
    for (const QString &fact : facts)
        top = AddLines(page, Wrap(fact, Style::Body, width), Style::Body, left, top);
    top += Mm(5);

    const double legendHeight = Mm(12);
    double mapBottom = m_body.bottom() - legendHeight;
    if (mapBottom - top >= Mm(60)) {
        page.legend = QRectF(left, mapBottom + Mm(3), width, legendHeight - Mm(3));
    } else {
        mapBottom = m_body.bottom();
    }
    page.map = QRectF(left, top, width, std::max(Mm(20), mapBottom - top));
    if (!m_mapSize.isEmpty()) {
        // The map as large as fits, the legend right under it.
        const QSizeF shown = QSizeF(m_mapSize).scaled(page.map.size(), Qt::KeepAspectRatio);
        page.map.setHeight(shown.height());
        if (!page.legend.isEmpty())
            page.legend.moveTop(page.map.bottom() + Mm(3));
    }
    m_pages.append(page);
}

void ReportLayout::LayOutPhotoPage(int first, int count, QList<Pending> &pending)
{
    Page page;
    page.kind = Page::Kind::Photos;
    const int perPage = m_options.perPage;
    int cols = 1, rows = 1;
    switch (perPage) {
    case 2:
        (m_options.landscape ? cols : rows) = 2;
        break;
    case 4:
        cols = rows = 2;
        break;
    case 6:
        cols = m_options.landscape ? 3 : 2;
        rows = m_options.landscape ? 2 : 3;
        break;
    default:
        break;
    }
    const double gap = Mm(GapMm);
    const double cellW = (m_body.width() - (cols - 1) * gap) / cols;
    const double cellH = (m_body.height() - (rows - 1) * gap) / rows;
    const double keySize = m_options.keyMaps ? Mm(perPage <= 2 ? 30 : 22) : 0;
    const double noteLine = LineHeight(Style::Body);

    for (int i = 0; i < count; ++i) {
        const int photo = first + i;
        const ReportContent::Photo &p = m_content.photos[photo];
        const QRectF c(m_body.left() + (i % cols) * (cellW + gap), m_body.top() + (i / cols) * (cellH + gap), cellW,
                       cellH);
        Cell cell;
        cell.photo = photo;
        const double captionW = keySize > 0 ? c.width() - keySize - Mm(3) : c.width();
        double top = c.top();
        top = AddLines(page, Wrap(QStringLiteral("Foto %1").arg(p.number), Style::Heading, captionW), Style::Heading,
                       c.left(), top);
        const QString name = p.fileName.isEmpty() ? QStringLiteral("(geen bestand)") : p.fileName;
        top = AddLines(page, Wrap(name, Style::Small, captionW), Style::Small, c.left(), top);
        QStringList facts;
        if (p.taken.isValid())
            facts << QStringLiteral("Opgenomen: %1")
                         .arg(QLocale(QLocale::Dutch, QLocale::Netherlands)
                                  .toString(p.taken, QStringLiteral("d MMMM yyyy HH:mm")));
        if (!p.compass.isEmpty())
            facts << QStringLiteral("Kijkrichting: %1").arg(p.compass);
        if (!facts.isEmpty())
            top = AddLines(page, Wrap(facts.join(QStringLiteral(", ")), Style::Small, captionW), Style::Small, c.left(),
                           top);
        if (keySize > 0) {
            cell.keyMap = QRectF(c.right() - keySize, c.top(), keySize, keySize);
            top = std::max(top, cell.keyMap.bottom());
        }
        top += Mm(2);

        const QRectF rest(c.left(), top, c.width(), std::max(0.0, c.bottom() - top));
        QRectF notes;
        if (m_options.NotesBesideShown()) {
            const double photoW = rest.width() * 0.62;
            cell.photoBox = QRectF(rest.left(), rest.top(), photoW, rest.height());
            notes = QRectF(rest.left() + photoW + Mm(4), rest.top(), rest.width() - photoW - Mm(4), rest.height());
        } else {
            const double photoH = rest.height() * (perPage <= 2 ? 0.64 : 0.58);
            cell.photoBox = QRectF(rest.left(), rest.top(), rest.width(), photoH);
            notes = QRectF(rest.left(), rest.top() + photoH + Mm(2), rest.width(),
                           std::max(0.0, rest.height() - photoH - Mm(2)));
        }
        page.cells.append(cell);

        if (p.notes.isEmpty()) {
            AddLines(page, {QStringLiteral("Geen aantekeningen.")}, Style::Note, notes.left(), notes.top());
            continue;
        }
        QList<int> starts;
        const QStringList lines = Wrap(p.notes, Style::Body, notes.width(), &starts);
        const int capacity = int(std::floor(notes.height() / noteLine));
        if (lines.size() <= capacity) {
            AddLines(page, lines, Style::Body, notes.left(), notes.top());
            continue;
        }
        // The rest follows on the next page; the last line here says so.
        const int shown = std::max(0, capacity - 1);
        const double after = AddLines(page, lines.mid(0, shown), Style::Body, notes.left(), notes.top());
        AddLines(page,
                 {shown > 0 ? QStringLiteral("Vervolg op de volgende pagina.")
                            : QStringLiteral("Aantekeningen op de volgende pagina.")},
                 Style::Note, notes.left(), after);
        pending.append({photo, starts[shown]});
    }
    m_pages.append(page);
}

void ReportLayout::LayOutNotesPages(QList<Pending> &pending)
{
    const double width = m_body.width();
    const double heading = LineHeight(Style::Heading);
    const double line = LineHeight(Style::Body);
    while (!pending.isEmpty()) {
        Page page;
        page.kind = Page::Kind::Notes;
        double top = m_body.top();
        while (!pending.isEmpty()) {
            Pending &next = pending.first();
            // A heading never stands alone at the foot of a page.
            if (top + Mm(3) + heading + line > m_body.bottom() && !page.runs.isEmpty())
                break;
            if (!page.runs.isEmpty())
                top += Mm(3);
            const ReportContent::Photo &p = m_content.photos[next.photo];
            top = AddLines(page, {QStringLiteral("Foto %1, aantekeningen (vervolg)").arg(p.number)}, Style::Heading,
                           m_body.left(), top);
            QList<int> starts;
            const QString rest = p.notes.mid(next.from);
            const QStringList lines = Wrap(rest, Style::Body, width, &starts);
            const int capacity = std::max(1, int(std::floor((m_body.bottom() - top) / line)));
            if (lines.size() <= capacity) {
                top = AddLines(page, lines, Style::Body, m_body.left(), top);
                pending.removeFirst();
                continue;
            }
            AddLines(page, lines.mid(0, capacity), Style::Body, m_body.left(), top);
            next.from += starts[capacity];
            break;
        }
        m_pages.append(page);
    }
}

void ReportLayout::AddFrames()
{
    const QFontMetricsF small(Font(Style::Small));
    const double margin = Mm(MarginMm);
    const double headerBase = margin + small.ascent();
    const double footerBase = m_pageSize.height() - margin - small.descent();
    const QString title = m_options.title.trimmed().isEmpty() ? QStringLiteral("Fotorapport") : m_options.title;
    const QString date = m_options.DateText();
    const double width = m_pageSize.width() - 2 * margin;
    const QString shownTitle =
        small.elidedText(title.simplified(), Qt::ElideRight, width - small.horizontalAdvance(date) - Mm(10));
    const int total = int(m_pages.size());
    for (int i = 0; i < total; ++i) {
        Page &page = m_pages[i];
        if (page.kind != Page::Kind::Title) {
            page.runs.append({Style::Small, QPointF(margin, headerBase), shownTitle});
            page.runs.append(
                {Style::Small, QPointF(m_pageSize.width() - margin - small.horizontalAdvance(date), headerBase), date});
        }
        const QString number = QStringLiteral("Pagina %1 van %2").arg(i + 1).arg(total);
        page.runs.append(
            {Style::Small, QPointF((m_pageSize.width() - small.horizontalAdvance(number)) / 2, footerBase), number});
    }
}
