#include "gui/map/MapHoverTip.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <QToolTip>
#include <QVBoxLayout>

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
    layout->addWidget(Picture);
    layout->addWidget(NameLabel);
    layout->addWidget(NotesLabel);
}

void MapHoverTip::ShowAt(const QPoint &globalPos, const QString &fileName, const QString &notesLine)
{
    NameLabel->setText(NameLabel->fontMetrics().elidedText(fileName, Qt::ElideMiddle, kTextWidth));
    NotesLabel->setText(NotesLabel->fontMetrics().elidedText(notesLine, Qt::ElideRight, kTextWidth));
    NotesLabel->setVisible(!notesLine.isEmpty());
    m_at = globalPos;
    Place();
    if (!isVisible())
        show();
}

void MapHoverTip::SetPicture(const QImage &image, const QString &instead)
{
    if (image.isNull()) {
        Picture->setPixmap(QPixmap());
        Picture->setText(instead);
    } else {
        Picture->setText(QString());
        Picture->setPixmap(QPixmap::fromImage(image));
    }
    if (isVisible())
        Place();
}

QString MapHoverTip::Text() const
{
    QStringList lines;
    if (!Picture->text().isEmpty())
        lines << Picture->text();
    lines << NameLabel->text();
    if (!NotesLabel->isHidden())
        lines << NotesLabel->text();
    return lines.join(QLatin1Char('\n'));
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
