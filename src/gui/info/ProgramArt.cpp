#include "gui/info/ProgramArt.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSvgRenderer>

namespace ProgramArt {

namespace {

// A folded map sheet with a river, two roads and a photo triangle pointing
// up and to the right.
const char IconSvg[] = R"SVG(<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48" viewBox="0 0 48 48">
  <defs>
    <linearGradient id="sheet" x1="0" y1="0" x2="1" y2="1">
      <stop offset="0" stop-color="#fbf7e6"/>
      <stop offset="1" stop-color="#e6dcb8"/>
    </linearGradient>
    <linearGradient id="marker" x1="0" y1="0" x2="1" y2="1">
      <stop offset="0" stop-color="#3a4dff"/>
      <stop offset="1" stop-color="#0000bd"/>
    </linearGradient>
  </defs>
  <path d="M3 9 L16 4 L31 9 L45 4 L45 39 L31 44 L16 39 L3 44 Z" fill="url(#sheet)" stroke="#6b6448" stroke-width="1.5" stroke-linejoin="round"/>
  <path d="M16 4 L16 39 M31 9 L31 44" stroke="#c9bd92" stroke-width="1"/>
  <path d="M3 31 C12 27 17 35 25 30 S38 20 45 23" fill="none" stroke="#7fb2e0" stroke-width="3.2" stroke-linecap="round"/>
  <path d="M8 13 L40 37" stroke="#b5a77a" stroke-width="1.4" stroke-dasharray="3 2"/>
  <rect x="34" y="12" width="7" height="5" fill="#d2c59c" stroke="#8a7f5c" stroke-width="0.8"/>
  <rect x="7" y="18" width="6" height="5" fill="#d2c59c" stroke="#8a7f5c" stroke-width="0.8"/>
  <polygon points="33,15 17,19 25,31" fill="url(#marker)" stroke="#ffffff" stroke-width="1.6" stroke-linejoin="round"/>
</svg>)SVG";

} // namespace

QByteArray ProgramIconSvg()
{
    return QByteArray(IconSvg, sizeof IconSvg - 1);
}

QImage ProgramIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(ProgramIconSvg());
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, size, size));
    return image;
}

QPixmap ProgramIconPixmap(int size)
{
    return QPixmap::fromImage(ProgramIconImage(size));
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(ProgramIconPixmap(size));
    return icon;
}

QPixmap LogoPixmap()
{
    QPixmap pixmap(111, 36);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Three photo triangles on a strip of map, looking three ways.
    QLinearGradient strip(0, 0, 0, 36);
    strip.setColorAt(0, QColor(0xfb, 0xf7, 0xe6));
    strip.setColorAt(1, QColor(0xe6, 0xdc, 0xb8));
    p.setPen(QPen(QColor(0x6b, 0x64, 0x48), 1));
    p.setBrush(strip);
    p.drawRoundedRect(QRectF(0.5, 2.5, 34, 31), 3, 3);
    p.setPen(QPen(QColor(0x7f, 0xb2, 0xe0), 2.4, Qt::SolidLine, Qt::RoundCap));
    QPainterPath river;
    river.moveTo(2, 25);
    river.cubicTo(10, 20, 18, 30, 33, 21);
    p.setBrush(Qt::NoBrush);
    p.drawPath(river);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 189));
    p.drawPolygon(QPolygonF({QPointF(8, 8), QPointF(15, 11.5), QPointF(8, 15)}));
    p.drawPolygon(QPolygonF({QPointF(24, 7), QPointF(20.5, 14), QPointF(27.5, 14)}));
    p.drawPolygon(QPolygonF({QPointF(30, 26), QPointF(23, 29.5), QPointF(30, 33)}));

    // The word mark.
    QFont word(QStringLiteral("Arial"));
    word.setPixelSize(15);
    word.setBold(true);
    p.setFont(word);
    p.setPen(QColor(0, 0, 189));
    p.drawText(QRectF(39, 1, 72, 19), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("foto"));
    QFont small(QStringLiteral("Arial"));
    small.setPixelSize(12);
    small.setItalic(true);
    p.setFont(small);
    p.setPen(QColor(0x55, 0x55, 0x55));
    p.drawText(QRectF(39, 18, 72, 16), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("op de kaart"));
    return pixmap;
}

QPixmap HalfCirclePixmap()
{
    QPixmap pixmap(26, 56);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient shade(QPointF(26, 28), 28, QPointF(14, 16));
    shade.setColorAt(0, QColor(0x5a, 0x6c, 0xff));
    shade.setColorAt(1, QColor(0, 0, 189));
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawEllipse(QPointF(26, 28), 26, 26);
    return pixmap;
}

} // namespace ProgramArt
