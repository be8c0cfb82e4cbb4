#include "gui/map/MapHoverTip.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
// Long names and notes are cut off with "…" at this width.
constexpr int kTextWidth = 320;
// Around the contents, and between the picture and each line.
constexpr int kMargin = 4;
constexpr int kSpacing = 3;
} // namespace

MapHoverTip::MapHoverTip(QWidget *parent) : QFrame(parent, Qt::ToolTip | Qt::BypassGraphicsProxyWidget)
{
    setObjectName(QStringLiteral("MapHoverTip"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setPalette(QToolTip::palette());
    setAutoFillBackground(true);
    setFont(QToolTip::font());
    m_boldFont = font();
    m_boldFont.setBold(true);
}

void MapHoverTip::ShowAt(const QPoint &globalPos, const QString &fileName, const QString &notesLine)
{
    m_at = globalPos;
    m_name = fileName;
    m_notes = notesLine;
    m_time.clear();
    m_place.clear();
    m_shown = true;
    Schedule();
}

void MapHoverTip::SetPicture(const QImage &image, const QString &instead)
{
    m_image = image;
    m_instead = image.isNull() ? instead : QString();
    if (m_shown)
        Schedule();
}

void MapHoverTip::SetCamera(const QString &time, const QString &place)
{
    if (time == m_time && place == m_place)
        return;
    m_time = time;
    m_place = place;
    if (m_shown)
        Schedule();
}

void MapHoverTip::Withdraw()
{
    m_shown = false;
    if (isVisible())
        hide();
}

QString MapHoverTip::Text() const
{
    QStringList lines;
    if (!m_instead.isEmpty())
        lines << m_instead;
    lines << m_name;
    if (!m_time.isEmpty())
        lines << m_time;
    if (!m_place.isEmpty())
        lines << m_place;
    if (!m_notes.isEmpty())
        lines << m_notes;
    return lines.join(QLatin1Char('\n'));
}

void MapHoverTip::Schedule()
{
    // The first showing at once; changes to a shown tip with the next round.
    if (!isVisible()) {
        Lay();
        return;
    }
    if (m_pending)
        return;
    m_pending = true;
    QTimer::singleShot(0, this, &MapHoverTip::LayPending);
}

void MapHoverTip::LayPending()
{
    if (!m_pending)
        return;
    m_pending = false;
    if (m_shown)
        Lay();
}

QString MapHoverTip::ShownName() const
{
    return m_lines.isEmpty() ? QString() : m_lines.first().text.text();
}

void MapHoverTip::Lay()
{
    const int inset = frameWidth() + kMargin;
    int width = 0;
    int y = inset;

    m_pixmap = m_image.isNull() ? QPixmap() : QPixmap::fromImage(m_image);
    QSize picture;
    if (!m_pixmap.isNull())
        picture = m_pixmap.deviceIndependentSize().toSize();
    else if (!m_instead.isEmpty())
        picture = fontMetrics().size(0, m_instead);
    m_pictureRect = QRect(QPoint(inset, y), picture);
    if (!picture.isEmpty()) {
        width = picture.width();
        y += picture.height() + kSpacing;
    }

    m_lines.clear();
    const auto add = [&](const QString &text, bool bold, Qt::TextElideMode elide) {
        const QFont &lineFont = bold ? m_boldFont : font();
        const QFontMetrics metrics(lineFont);
        Line line;
        line.bold = bold;
        line.top = y;
        line.text.setTextFormat(Qt::PlainText);
        line.text.setText(text);
        line.text.prepare(QTransform(), lineFont);
        // Shaped once; a line too long is shortened and shaped again.
        if (line.text.size().width() > kTextWidth) {
            line.text.setText(metrics.elidedText(text, elide, kTextWidth));
            line.text.prepare(QTransform(), lineFont);
        }
        width = std::max(width, int(std::ceil(line.text.size().width())));
        y += metrics.height() + kSpacing;
        m_lines.append(line);
    };
    add(m_name, true, Qt::ElideMiddle);
    if (!m_time.isEmpty())
        add(m_time, false, Qt::ElideRight);
    if (!m_place.isEmpty())
        add(m_place, false, Qt::ElideRight);
    if (!m_notes.isEmpty())
        add(m_notes, false, Qt::ElideRight);
    // The picture centred over the lines.
    m_pictureRect.moveLeft(inset + (width - picture.width()) / 2);

    resize(width + 2 * inset, y - kSpacing + inset);
    if (QAccessible::isActive())
        setAccessibleDescription(Text());
    update();
    Place();
    if (!isVisible())
        show();
}

void MapHoverTip::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    if (!m_pixmap.isNull())
        painter.drawPixmap(m_pictureRect, m_pixmap);
    else if (!m_instead.isEmpty())
        painter.drawText(m_pictureRect, Qt::AlignCenter, m_instead);
    const int left = frameWidth() + kMargin;
    for (const Line &line : std::as_const(m_lines)) {
        painter.setFont(line.bold ? m_boldFont : font());
        painter.drawStaticText(left, line.top, line.text);
    }
}

void MapHoverTip::Place()
{
    // Below and right of the pointer, as a tooltip; turned back inside the screen.
    QRect rect(m_at + QPoint(16, 20), size());
    if (const QScreen *screen = QGuiApplication::screenAt(m_at)) {
        const QRect available = screen->availableGeometry();
        if (rect.right() > available.right())
            rect.moveRight(m_at.x() - 4);
        if (rect.bottom() > available.bottom())
            rect.moveBottom(m_at.y() - 4);
        rect.moveLeft(std::max(rect.left(), available.left()));
        rect.moveTop(std::max(rect.top(), available.top()));
    }
    move(rect.topLeft());
}
