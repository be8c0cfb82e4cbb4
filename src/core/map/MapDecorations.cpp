#include "core/map/MapDecorations.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace MapDecorations {

namespace {

// Dutch numbers whatever the system's locale: a decimal comma.
QString Decimal(double value)
{
    QString text = QString::number(value, 'g', 6);
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

} // namespace

void PaintNorthArrow(QPainter &painter, double x, double y, double north)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(x + ArrowSide / 2, y + ArrowSide / 2);
    const double r = ArrowSide / 2 - 2;
    // A pale disc keeps the arrow readable on any map.
    painter.setPen(QPen(QColor(60, 60, 60), 1));
    painter.setBrush(QColor(255, 255, 255, 210));
    painter.drawEllipse(centre, r, r);

    painter.translate(centre);
    painter.rotate(north);
    const double tip = r - 13, tail = r - 6, half = r * 0.28;
    QPainterPath dark, light;
    dark.moveTo(0, -tip);
    dark.lineTo(0, tail * 0.2);
    dark.lineTo(-half, tail);
    dark.closeSubpath();
    light.moveTo(0, -tip);
    light.lineTo(half, tail);
    light.lineTo(0, tail * 0.2);
    light.closeSubpath();
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::black);
    painter.drawPath(dark);
    painter.setBrush(Qt::white);
    painter.drawPath(light);

    // The letter stays upright beyond the tip.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    const QPointF letter(0, -(r - 6));
    painter.rotate(-north);
    const double a = north * M_PI / 180;
    const QPointF at(letter.y() * -std::sin(a), letter.y() * std::cos(a));
    painter.drawText(QRectF(at.x() - 7, at.y() - 7, 14, 14), Qt::AlignCenter, QStringLiteral("N"));
    painter.restore();
}

double RoundLength(double metres)
{
    if (!(metres > 0) || !std::isfinite(metres))
        return 0;
    const double power = std::pow(10.0, std::floor(std::log10(metres)));
    for (const double step : {5.0, 2.0, 1.0})
        if (step * power <= metres)
            return step * power;
    return power;
}

QString LengthText(double metres)
{
    if (metres >= 1000)
        return Decimal(metres / 1000) + QStringLiteral(" km");
    if (metres >= 1)
        return Decimal(metres) + QStringLiteral(" m");
    if (metres >= 0.01)
        return Decimal(std::round(metres * 1000) / 10) + QStringLiteral(" cm");
    return Decimal(std::round(metres * 1e4) / 10) + QStringLiteral(" mm");
}

QRectF PaintScaleBar(QPainter &painter, double x, double bottom, double pixelsPerMetre, double preferredWidth)
{
    if (!(pixelsPerMetre > 0) || !std::isfinite(pixelsPerMetre))
        return QRectF();
    const double metres = RoundLength(preferredWidth / pixelsPerMetre);
    const double width = metres * pixelsPerMetre;
    if (!(width >= 1))
        return QRectF();
    painter.save();
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    painter.setFont(font);
    const QString label = LengthText(metres);
    const QFontMetricsF metrics(font);
    const double textWidth = metrics.horizontalAdvance(label);
    const double barHeight = 6, pad = 4;
    const QRectF box(x, bottom - (barHeight + metrics.height() + 3 * pad), std::max(width, textWidth) + 2 * pad,
                     barHeight + metrics.height() + 3 * pad);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 210));
    painter.drawRect(box);
    // Two halves, black and white, as on printed maps.
    const QRectF bar(x + pad, box.bottom() - pad - barHeight, width, barHeight);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::black);
    painter.drawRect(QRectF(bar.left(), bar.top(), width / 2, barHeight));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(bar.left() + width / 2, bar.top(), width / 2, barHeight));
    painter.drawText(QRectF(x + pad, box.top() + pad, box.width() - 2 * pad, metrics.height()), Qt::AlignLeft, label);
    painter.restore();
    return box;
}

void PaintOnMap(QPainter &painter, const Marks &marks, QSizeF mapSize, double unit)
{
    if (marks.IsEmpty() || !(unit > 0) || mapSize.isEmpty())
        return;
    constexpr double Margin = 8;
    if (marks.north) {
        painter.save();
        painter.translate(mapSize.width() - (ArrowSide + Margin) * unit, Margin * unit);
        painter.scale(unit, unit);
        PaintNorthArrow(painter, 0, 0, *marks.north);
        painter.restore();
    }
    if (marks.metresPerPixel && *marks.metresPerPixel > 0) {
        painter.save();
        painter.translate(Margin * unit, mapSize.height() - Margin * unit);
        painter.scale(unit, unit);
        PaintScaleBar(painter, 0, 0, 1 / (*marks.metresPerPixel * unit));
        painter.restore();
    }
}

} // namespace MapDecorations
