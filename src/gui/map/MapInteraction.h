#pragma once

#include "gui/map/MapHoverTip.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <cstdint>

class MapCommands;
class MapNavigator;
class MapView;
class ProjectHost;
class PhotoMetadataCache;
class ThumbnailCache;
class QMouseEvent;

// What the mouse does on the map beyond the click: a press inside a photo's
// hit square that moves further than the platform's drag distance drags the
// photo along (left button) or turns it toward the pointer (right button;
// the twelve directions of the add-photo dialog, whole degrees with Shift);
// the release writes the photo's new position or direction as one edit,
// Escape puts it back. The middle button drags the view. A press and release
// without such a movement stays the click it always was, and while a pick
// mode is on the mouse does nothing else. The photo that moves is the one
// the click would open (the first in the list).
//
// The pointer tells what a press does (a hand over a triangle, a closed hand
// while dragging), and resting on a triangle shows the photo's thumbnail,
// file name, time and GPS position and first line of notes; on a photo that
// stands where its GPS position puts it on a georeferenced map, the view
// draws that position's circle of uncertainty too.
class MapInteraction : public QObject
{
    Q_OBJECT
public:
    MapInteraction(ProjectHost &host, MapCommands &commands, MapView *view, MapNavigator &navigator,
                   QObject *parent = nullptr);
    ~MapInteraction() override;

    // The tip shown while resting on a triangle, and the thumbnails it shows.
    MapHoverTip &HoverTip() const { return *m_tip; }
    ThumbnailCache &Thumbnails() const { return *m_thumbnails; }
    // What each photo's camera recorded (time, direction, place), read on
    // threads of its own like the thumbnails; shared by every window.
    PhotoMetadataCache &Metadata() const { return *m_metadata; }

    // Shows the tip for the photo under viewPixel (the tooltip's moment);
    // false, and no tip, when there is none. A tip that is shown takes the
    // new photo with the event loop's next round: a sweep over many
    // triangles looks up, asks for and lays out only the one it ends on.
    bool ShowHover(QPoint viewPixel, QPoint globalPos);
    void HideHover();

    // Texts of the tip.
    static QString LoadingText() { return QStringLiteral("Foto wordt geladen..."); }
    static QString MissingText() { return QStringLiteral("Fotobestand niet gevonden"); }
    static QString BrokenText() { return QStringLiteral("Fotobestand kan niet worden gelezen"); }
    static QString NoFileText() { return QStringLiteral("Geen fotobestand"); }

    // The direction the apex takes toward (dx, dy) (screen pixels, y down):
    // counter-clockwise from pointing right, 0 to 359, in steps of 30
    // unless free.
    static std::int32_t DirectionToward(double dx, double dy, bool free);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class State { Idle, Pressed, Moving, Turning, Panning, Cancelled };

    void LostRelease(QMouseEvent *event);
    bool Press(QMouseEvent *event);
    bool Move(QMouseEvent *event);
    bool Release(QMouseEvent *event);
    void Follow(QPointF position, Qt::KeyboardModifiers modifiers);
    void Commit();
    void Cancel();
    void UpdatePointer(QPoint viewPixel);
    // The photo (its entry in PositionList) that a click on viewPixel would
    // hit; -1 for none or when the lists cannot tell without an error.
    qsizetype PhotoAt(QPoint viewPixel) const;
    // Shows what is known of the thumbnail of the photo name in folder
    // when it is the one the tip is for; request asks for it (again).
    // The tip's contents for photo, at once.
    bool Present(qsizetype photo, QPoint globalPos);
    void PresentPending();
    void ShowThumbnail(const QString &name, const QString &folder, bool request);
    // The same for what the camera recorded: time, place and the circle.
    void ShowCamera(const QString &name, const QString &folder, bool request);

    ProjectHost &m_host;
    MapCommands &m_commands;
    QPointer<MapView> m_view;
    // The view as the event filter sees it: it is compared, never used, so
    // that events sent while the view is being destroyed are passed by.
    const QObject *m_watched;
    MapNavigator &m_navigator;
    QPointer<MapHoverTip> m_tip; // a child of the view
    ThumbnailCache *m_thumbnails = nullptr;
    PhotoMetadataCache *m_metadata = nullptr;

    State m_state = State::Idle;
    Qt::MouseButton m_button = Qt::NoButton;
    QPointF m_pressAt;
    QPointF m_lastAt; // the pointer during a drag
    QPoint m_panFrom;
    qsizetype m_photo = -1;
    std::int32_t m_x = 0, m_y = 0, m_direction = 0;          // as the entry has them
    std::int32_t m_newX = 0, m_newY = 0, m_newDirection = 0; // where the drag has it

    qsizetype m_hoverPhoto = -1;
    QString m_hoverName, m_hoverFolder; // the tip's photo file, as stored, and its folder
    // The photo a shown tip moves to in the next round, and where.
    qsizetype m_pendingPhoto = -1;
    QPoint m_pendingAt;
    bool m_pendingScheduled = false;
};
