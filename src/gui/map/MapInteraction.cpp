#include "gui/map/MapInteraction.h"

#include "core/map/GpsPlacement.h"
#include "core/map/MapClick.h"
#include "core/photos/PhotoMetadataCache.h"
#include "core/photos/ThumbnailCache.h"
#include "core/platform/AnsiCodec.h"
#include "core/project/MovePhotoEdit.h"
#include "core/project/PhotoEntry.h"
#include "core/project/PhotoIndex.h"
#include "core/project/PhotoLookup.h"
#include "core/project/PhotoRecord.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "gui/map/MapCommands.h"
#include "gui/map/MapHoverTip.h"
#include "gui/map/MapNavigator.h"
#include "gui/map/MapView.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/GeneralError.h"

#include <QApplication>
#include <QDir>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

MapInteraction::MapInteraction(ProjectHost &host, MapCommands &commands, MapView *view, MapNavigator &navigator,
                               QObject *parent)
    : QObject(parent),
      m_host(host),
      m_commands(commands),
      m_view(view),
      m_watched(view),
      m_navigator(navigator)
{
    m_tip = new MapHoverTip(view);
    m_thumbnails = new ThumbnailCache(256, this);
    m_metadata = new PhotoMetadataCache(this);
    connect(m_metadata, &PhotoMetadataCache::Ready, this,
            [this](const QString &name, const QString &folder) { ShowCamera(name, folder, false); });
    connect(m_thumbnails, &ThumbnailCache::Ready, this,
            [this](const QString &name, const QString &folder) { ShowThumbnail(name, folder, false); });
    // A change of the project (an undo, say) ends a drag: its photo may be
    // another one now.
    connect(&m_host.Session(), &ProjectSession::Changed, this, [this] {
        HideHover();
        if (m_state == State::Pressed)
            m_state = State::Idle;
        else if (m_state == State::Moving || m_state == State::Turning)
            m_state = State::Cancelled;
    });
    view->installEventFilter(this);
}

MapInteraction::~MapInteraction()
{
    delete m_tip.data();
}

std::int32_t MapInteraction::DirectionToward(double dx, double dy, bool free)
{
    double degrees = std::atan2(-dy, dx) * (180 / std::numbers::pi);
    degrees = free ? std::nearbyint(degrees) : 30 * std::nearbyint(degrees / 30);
    const int whole = int(degrees) % 360;
    return whole < 0 ? whole + 360 : whole;
}

qsizetype MapInteraction::PhotoAt(QPoint viewPixel) const
{
    const ProjectDocument &doc = m_host.Document();
    const std::optional<qsizetype> hit =
        MapClick::TryHit(doc, m_view->Zoom().HitArea(viewPixel, doc.TriangleSize), &m_commands.ClickIndex());
    return hit ? *hit : -1;
}

bool MapInteraction::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_watched)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return Press(static_cast<QMouseEvent *>(event));
    case QEvent::MouseMove:
        return Move(static_cast<QMouseEvent *>(event));
    case QEvent::MouseButtonRelease:
        return Release(static_cast<QMouseEvent *>(event));
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (m_state != State::Moving && m_state != State::Turning)
            break;
        // Shift pressed or let go while turning: free or in steps at once.
        if (key->key() == Qt::Key_Shift && event->type() != QEvent::ShortcutOverride && m_state == State::Turning) {
            Follow(m_lastAt, key->modifiers());
            return true;
        }
        // Escape during a drag belongs to the drag, not to the window's shortcut.
        if (key->key() != Qt::Key_Escape || event->type() == QEvent::KeyRelease)
            break;
        key->accept();
        if (event->type() == QEvent::KeyPress)
            Cancel();
        return true;
    }
    case QEvent::ToolTip: {
        auto *help = static_cast<QHelpEvent *>(event);
        if (m_state == State::Idle)
            ShowHover(help->pos(), help->globalPos());
        return true;
    }
    case QEvent::Wheel: {
        // Zooming and sideways scrolling are the navigator's, on the map as
        // on the grey around it; the plain wheel is the scroll box's.
        HideHover();
        auto *wheel = static_cast<QWheelEvent *>(event);
        return m_navigator.Wheel(wheel, m_view->mapToParent(wheel->position()));
    }
    case QEvent::Leave:
    case QEvent::Hide:
        HideHover();
        break;
    case QEvent::NativeGesture: {
        auto *gesture = static_cast<QNativeGestureEvent *>(event);
        return m_navigator.Gesture(gesture, m_view->mapToParent(gesture->position()));
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void MapInteraction::LostRelease(QMouseEvent *event)
{
    // A release that never came (a window took the mouse meanwhile) ends
    // the drag as Escape would.
    if (m_state == State::Idle || (event->buttons() & m_button))
        return;
    if (m_state == State::Moving || m_state == State::Turning)
        m_view->RestoreScene();
    m_state = State::Idle;
}

bool MapInteraction::Press(QMouseEvent *event)
{
    HideHover();
    LostRelease(event);
    if (m_state != State::Idle)
        return true; // another button during a drag: nothing
    if (m_host.AddPickMode() || m_host.DeletePickMode())
        return false;
    const Qt::MouseButton button = event->button();
    m_pressAt = event->position();
    m_button = button;
    if (button == Qt::MiddleButton) {
        m_state = State::Pressed;
        m_panFrom = event->globalPosition().toPoint();
        return false;
    }
    if (button != Qt::LeftButton && button != Qt::RightButton)
        return false;
    const ProjectDocument &doc = m_host.Document();
    const qsizetype photo = PhotoAt(MapView::ViewPixel(event->position()));
    // A drawing that is not of these lists (its redraw failed) cannot show a drag.
    if (photo < 0 || m_view->Scene().photos.size() != doc.PositionList.size())
        return false;
    PhotoEntry::Position p;
    if (!PhotoEntry::TryParsePosition(doc.PositionList[photo], p))
        return false;
    m_state = State::Pressed;
    m_photo = photo;
    m_x = m_newX = p.x;
    m_y = m_newY = p.y;
    m_direction = m_newDirection = p.direction;
    m_view->setFocus(Qt::MouseFocusReason);
    return false;
}

bool MapInteraction::Move(QMouseEvent *event)
{
    LostRelease(event);
    switch (m_state) {
    case State::Idle: {
        if (event->buttons() != Qt::NoButton)
            return false;
        const QPoint pixel = MapView::ViewPixel(event->position());
        UpdatePointer(pixel);
        // A tip that is shown follows the pointer from photo to photo.
        if (m_tip->IsShown() && PhotoAt(pixel) != (m_pendingPhoto >= 0 ? m_pendingPhoto : m_hoverPhoto))
            ShowHover(pixel, event->globalPosition().toPoint());
        return false;
    }
    case State::Pressed:
        if ((event->position() - m_pressAt).manhattanLength() < QApplication::startDragDistance())
            return true;
        m_view->setCursor(Qt::ClosedHandCursor);
        if (m_button == Qt::MiddleButton) {
            m_state = State::Panning;
            break;
        }
        m_state = m_button == Qt::LeftButton ? State::Moving : State::Turning;
        Follow(event->position(), event->modifiers());
        return true;
    case State::Moving:
    case State::Turning:
        Follow(event->position(), event->modifiers());
        return true;
    case State::Panning:
        break;
    case State::Cancelled:
        return true;
    }
    // Panning.
    const QPoint at = event->globalPosition().toPoint();
    m_navigator.PanBy(at - m_panFrom);
    m_panFrom = at;
    return true;
}

bool MapInteraction::Release(QMouseEvent *event)
{
    if (m_state == State::Idle)
        return false;
    if (event->button() != m_button)
        return m_state != State::Pressed;
    const State state = m_state;
    m_state = State::Idle;
    switch (state) {
    case State::Pressed:
        return false; // the click
    case State::Moving:
    case State::Turning:
        // Where the button came up, with the keys held then.
        m_state = state;
        Follow(event->position(), event->modifiers());
        m_state = State::Idle;
        Commit();
        break;
    default:
        break;
    }
    UpdatePointer(MapView::ViewPixel(event->position()));
    return true;
}

void MapInteraction::Follow(QPointF position, Qt::KeyboardModifiers modifiers)
{
    m_lastAt = position;
    const MapZoom &zoom = m_view->Zoom();
    if (m_state == State::Moving) {
        // The photo keeps its place under the pointer; the pointer's map
        // point is kept on the map.
        const QSize size = m_view->Scene().size;
        auto onMap = [&](QPointF at) {
            const QPoint p = zoom.ToMap(MapView::ViewPixel(at));
            return QPoint(std::clamp(p.x(), 0, size.width() - 1), std::clamp(p.y(), 0, size.height() - 1));
        };
        const QPoint delta = onMap(position) - onMap(m_pressAt);
        m_newX = std::int32_t(std::clamp<std::int64_t>(std::int64_t(m_x) + delta.x(), INT32_MIN, INT32_MAX));
        m_newY = std::int32_t(std::clamp<std::int64_t>(std::int64_t(m_y) + delta.y(), INT32_MIN, INT32_MAX));
    } else {
        // From the middle of the pixel that shows the position.
        QPointF centre;
        if (zoom.IsZoomedOut())
            centre = QPointF(zoom.ToView(QPoint(m_x, m_y))) + QPointF(0.5, 0.5);
        else
            centre = (QPointF(m_x, m_y) + QPointF(0.5, 0.5)) * zoom.Factor();
        const QPointF d = position - centre;
        if (std::abs(d.x()) + std::abs(d.y()) >= 1)
            m_newDirection = DirectionToward(d.x(), d.y(), modifiers & Qt::ShiftModifier);
    }
    m_view->ShowPhotoAt(m_photo, m_newX, m_newY, m_newDirection);
}

void MapInteraction::Commit()
{
    const bool moved = m_newX != m_x || m_newY != m_y;
    const bool turned = m_newDirection != m_direction;
    if (!moved && !turned) {
        m_view->RestoreScene();
        return;
    }
    GeneralError::Run([&] {
        if (moved)
            m_host.Session().Perform(std::make_unique<MovePhotoEdit>(m_photo, m_newX, m_newY, std::nullopt));
        else
            m_host.Session().Perform(
                std::make_unique<MovePhotoEdit>(m_photo, std::nullopt, std::nullopt, m_newDirection));
    });
}

void MapInteraction::Cancel()
{
    m_state = State::Cancelled;
    m_view->RestoreScene();
}

void MapInteraction::UpdatePointer(QPoint viewPixel)
{
    if (m_host.AddPickMode() || m_host.DeletePickMode()) {
        m_view->ShowPickPointer(true);
        return;
    }
    const Qt::CursorShape shape = PhotoAt(viewPixel) >= 0 ? Qt::OpenHandCursor : Qt::ArrowCursor;
    if (m_view->cursor().shape() != shape)
        m_view->setCursor(shape);
}

bool MapInteraction::ShowHover(QPoint viewPixel, QPoint globalPos)
{
    const qsizetype photo = PhotoAt(viewPixel);
    if (photo < 0 || !m_tip->IsShown() || !m_tip->isVisible())
        return Present(photo, globalPos);
    m_pendingPhoto = photo;
    m_pendingAt = globalPos;
    if (!m_pendingScheduled) {
        m_pendingScheduled = true;
        QTimer::singleShot(0, this, &MapInteraction::PresentPending);
    }
    return true;
}

void MapInteraction::PresentPending()
{
    m_pendingScheduled = false;
    const qsizetype photo = std::exchange(m_pendingPhoto, -1);
    if (photo < 0 || !m_tip->IsShown())
        return;
    // The project may have changed since: a photo no longer there has no tip.
    if (photo >= m_host.Document().PositionList.size() || photo >= m_view->Scene().photos.size()) {
        HideHover();
        return;
    }
    if (Present(photo, m_pendingAt))
        m_tip->LayPending(); // this is already the round the tip would wait for
}

bool MapInteraction::Present(qsizetype photo, QPoint globalPos)
{
    m_pendingPhoto = -1;
    const ProjectDocument &doc = m_host.Document();
    // The name and notes as the click finds them; where the index cannot
    // answer, a search that passes over keys that are no numbers. Nothing
    // here touches a file: the thumbnail's decoder thread looks for it.
    const PhotoIndex &index = m_commands.ClickIndex();
    const bool current = index.IsCurrent(doc);
    const PhotoRecord record = PhotoRecord::Read(
        doc, photo,
        [&](std::int32_t key) {
            const std::optional<qsizetype> at = current ? index.NameIndex(key) : std::nullopt;
            return at ? *at : PhotoLookup::FindByKeySkippingBad(doc.NameList, key);
        },
        [&](std::int32_t key) {
            return current ? index.NotesIndex(key) : PhotoLookup::FindByKeySkippingBad(doc.NotesList, key);
        });
    if (!record.hasKey) {
        HideHover();
        return false;
    }

    QString name, shown;
    if (record.nameIndex >= 0) {
        const QByteArrayView stored = record.storedName;
        if (record.HasFile())
            name = AnsiCodec::toUnicode(record.storedName);
        const qsizetype slash = std::max(stored.lastIndexOf('/'), stored.lastIndexOf('\\'));
        shown = AnsiCodec::toUnicode(stored.sliced(slash + 1).toByteArray());
    }
    const QString notesLine = record.notesLine.trimmed();

    m_hoverPhoto = photo;
    m_hoverName = name;
    // Relative names against the project's folder (an untitled project's is
    // the current one).
    m_hoverFolder = doc.ProjectFolder();
    if (m_hoverFolder.isEmpty())
        m_hoverFolder = QDir::currentPath();
    m_view->SetUncertainty(QPolygonF());
    m_tip->ShowAt(globalPos, shown, notesLine);
    ShowThumbnail(m_hoverName, m_hoverFolder, true);
    ShowCamera(m_hoverName, m_hoverFolder, true);
    return true;
}

void MapInteraction::ShowCamera(const QString &name, const QString &folder, bool request)
{
    if (m_hoverPhoto < 0 || name != m_hoverName || folder != m_hoverFolder || name.isEmpty())
        return;
    const PhotoMetadataCache::Metadata md =
        request ? m_metadata->Request(name, folder) : m_metadata->Known(name, folder);
    const CameraRecord &camera = md.record;
    m_tip->SetCamera(camera.HasTime() ? QStringLiteral("Genomen: ") + camera.TimeText() : QString(),
                     camera.PlaceText());

    // The circle only where the photo stands on its GPS pixel: one moved by
    // hand is no longer where the GPS said.
    const MapCalibration &calibration = m_commands.Calibration();
    PhotoEntry::Position p;
    if (!camera.HasPosition() || m_commands.MapPath().isEmpty() || !calibration.IsGeoreferenced()
        || m_hoverPhoto >= m_host.Document().PositionList.size()
        || !PhotoEntry::TryParsePosition(m_host.Document().PositionList[m_hoverPhoto], p))
        return;
    const EarthProjection::LonLat gps{*camera.longitude, *camera.latitude};
    if (GpsPlacement::PlaceOf(calibration.georeference, m_view->Scene().size, gps) != QPoint(p.x, p.y))
        return;
    m_view->SetUncertainty(GpsPlacement::Outline(calibration.georeference, gps, camera.AccuracyOrAssumed()));
}

void MapInteraction::ShowThumbnail(const QString &name, const QString &folder, bool request)
{
    if (m_hoverPhoto < 0 || name != m_hoverName || folder != m_hoverFolder)
        return;
    if (name.isEmpty()) {
        m_tip->SetPicture(QImage(), NoFileText());
        return;
    }
    const ThumbnailCache::Thumbnail thumbnail =
        request ? m_thumbnails->Request(name, folder) : m_thumbnails->Known(name, folder);
    switch (thumbnail.state) {
    case ThumbnailCache::State::Ready:
        m_tip->SetPicture(thumbnail.image, QString());
        break;
    case ThumbnailCache::State::Loading:
        m_tip->SetPicture(QImage(), LoadingText());
        break;
    case ThumbnailCache::State::Missing:
        m_tip->SetPicture(QImage(), MissingText());
        break;
    case ThumbnailCache::State::Broken:
        m_tip->SetPicture(QImage(), BrokenText());
        break;
    }
}

void MapInteraction::HideHover()
{
    m_pendingPhoto = -1;
    m_hoverPhoto = -1;
    m_hoverName.clear();
    m_hoverFolder.clear();
    if (m_tip)
        m_tip->Withdraw();
    if (m_view)
        m_view->SetUncertainty(QPolygonF());
}
