#pragma once

#include <QImage>
#include <QPixmap>
#include <QProxyStyle>
#include <QSize>

#include <array>

// The application's style for the map's scroll bars, drawn without long
// fills. Fusion fills a bar's whole length with a gradient and edges it with
// lines, and Qt's raster engine splits such large fills across its thread
// pool and waits for them: a zoom, which changes both bars, spent more time
// on them than on drawing the map, and more still when the other core was
// busy. The groove looks the same until the bar's size, palette or state
// changes, so it is drawn once and laid on as a picture; a slider's middle is
// one line across it over and over, so that line is drawn once and copied,
// and only the slider's ends are drawn apart. What comes out is pixel for
// pixel what the style draws. Styles other than Fusion draw their bars
// themselves.
class MapScrollBarStyle : public QProxyStyle
{
    Q_OBJECT
public:
    explicit MapScrollBarStyle(QObject *parent = nullptr);

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget = nullptr) const override;

private:
    struct Groove
    {
        QSize size;
        int orientation = 0;
        int state = 0;
        qint64 palette = 0;
        QPixmap picture;
    };
    const QPixmap &GrooveOf(const class QStyleOptionSlider &bar, const QWidget *widget) const;
    // The part of the bar (in its own pixels) as the style draws the groove
    // and the slider there.
    QImage BarPart(const QStyleOptionSlider &bar, const QPixmap &groove, const QRect &part,
                   const QWidget *widget) const;
    // A vertical slider from its two ends and one middle row, each drawn in
    // a picture of its own, where no line or fill is longer than those rows;
    // false when the slider is short enough for the style. (Clipped on the
    // screen instead, the outline's sides would still be traced along the
    // whole slider.)
    bool DrawVerticalSlider(const QStyleOptionSlider &bar, const QPixmap &groove, QPainter *painter,
                            const QWidget *widget) const;
    // A horizontal slider's middle from one column; its ends drawn by the
    // style, clipped to them (the outline's long lines run across the clip
    // and stay short).
    bool DrawHorizontalSlider(const QStyleOptionSlider &bar, const QPixmap &groove, QPainter *painter,
                              const QWidget *widget) const;

    // Both bars, each in a few states.
    mutable std::array<Groove, 4> m_grooves;
    mutable int m_next = 0;
};
