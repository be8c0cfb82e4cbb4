#include "gui/map/MapHoverTip.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// Long names and notes are cut off with "…" at this width.
constexpr int kTextWidth = 320;
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

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);
    Picture = new QLabel(this);
    Picture->setObjectName(QStringLiteral("Picture"));
    Picture->setAlignment(Qt::AlignCenter);
    Picture->setTextFormat(Qt::PlainText);
    NameLabel = new QLabel(this);
    NameLabel->setObjectName(QStringLiteral("NameLabel"));
    NameLabel->setTextFormat(Qt::PlainText);
    QFont bold = font();
    bold.setBold(true);
    NameLabel->setFont(bold);
    NotesLabel = new QLabel(this);
    NotesLabel->setObjectName(QStringLiteral("NotesLabel"));
    NotesLabel->setTextFormat(Qt::PlainText);
    TimeLabel = new QLabel(this);
    TimeLabel->setObjectName(QStringLiteral("TimeLabel"));
    TimeLabel->setTextFormat(Qt::PlainText);
    PlaceLabel = new QLabel(this);
    PlaceLabel->setObjectName(QStringLiteral("PlaceLabel"));
    PlaceLabel->setTextFormat(Qt::PlainText);
    layout->addWidget(Picture);
    layout->addWidget(NameLabel);
    layout->addWidget(TimeLabel);
    layout->addWidget(PlaceLabel);
    layout->addWidget(NotesLabel);
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
    QTimer::singleShot(0, this, [this] {
        m_pending = false;
        if (m_shown)
            Lay();
    });
}

void MapHoverTip::Lay()
{
    NameLabel->setText(NameLabel->fontMetrics().elidedText(m_name, Qt::ElideMiddle, kTextWidth));
    NotesLabel->setText(NotesLabel->fontMetrics().elidedText(m_notes, Qt::ElideRight, kTextWidth));
    NotesLabel->setVisible(!m_notes.isEmpty());
    TimeLabel->setText(m_time);
    TimeLabel->setVisible(!m_time.isEmpty());
    PlaceLabel->setText(m_place);
    PlaceLabel->setVisible(!m_place.isEmpty());
    if (m_image.isNull()) {
        Picture->setPixmap(QPixmap());
        Picture->setText(m_instead);
    } else {
        Picture->setText(QString());
        Picture->setPixmap(QPixmap::fromImage(m_image));
    }
    Place();
    if (!isVisible())
        show();
}

void MapHoverTip::Place()
{
    adjustSize();
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
