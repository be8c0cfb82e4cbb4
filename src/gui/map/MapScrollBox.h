#pragma once

#include <QScrollArea>

// The main window's scroll box around the map view (OverzichtsScrollBox).
// Zooming about the pointer must be able to put the map anywhere, also
// where a plain scroll box would not let it lie: a map smaller than the box
// away from its top left corner, or a map's edge inside the box. The grey
// such a place shows beside the map is a margin of the scrolled area; a
// margin shrinks to what is still in sight whenever the view scrolls or the
// box changes size, so the user never scrolls into grey that was not shown.
// Without margins it is the plain scroll box, the map at the top left.
class MapScrollBox : public QScrollArea
{
    Q_OBJECT
public:
    explicit MapScrollBox(QWidget *parent = nullptr);

    // Puts the map view's top left corner at position in the viewport.
    void PlaceMapAt(QPoint position);
    // Back to no margins, scrolled to the top left.
    void Reset();
    // Scrolls as little as possible so that rect (in the map view's pixels)
    // is in sight; nothing moves when it already is.
    void EnsureMapVisible(const QRect &rect);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct Axis
    {
        int before = 0, after = 0; // grey margins before and after the map
    };
    // Ranges and the view's place from the margins and the scroll bars.
    void Apply();
    void Apply(QPoint values);
    void ApplyAxis(Axis &axis, class QScrollBar *bar, int mapSide, int viewportSide, int value);
    template <class BaseCall>
    auto AroundBase(BaseCall base);
    static void PlaceAxis(Axis &axis, QScrollBar *bar, int mapSide, int viewportSide, int position);

    Axis m_x, m_y;
    bool m_applying = false;
};
