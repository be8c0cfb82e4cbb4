#include "gui/map/MapNavigator.h"

#include "core/map/MapZoom.h"
#include "gui/map/MapScrollBox.h"
#include "gui/map/MapView.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

MapNavigator::MapNavigator(MapScrollBox *scrollArea, MapView *view, QObject *parent)
    : QObject(parent),
      m_area(scrollArea),
      m_viewport(scrollArea->viewport()),
      m_view(view)
{
    auto make = [this](const char *name, const QString &text, const QList<QKeySequence> &keys,
                       void (MapNavigator::*slot)()) {
        auto *action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    m_zoomIn =
        make("Inzoomen1", QStringLiteral("&Inzoomen"),
             {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}, &MapNavigator::ZoomIn);
    m_zoomOut = make("Uitzoomen1", QStringLiteral("&Uitzoomen"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)},
                     &MapNavigator::ZoomOut);
    m_actualSize = make("WareGrootte1", QStringLiteral("&Ware grootte"), {QKeySequence(Qt::CTRL | Qt::Key_0)},
                        &MapNavigator::ActualSize);
    m_fit = make("PassendInVenster1", QStringLiteral("&Passend in venster"), {QKeySequence(Qt::CTRL | Qt::Key_9)},
                 &MapNavigator::Fit);

    m_label = new QLabel;
    m_label->setObjectName(QStringLiteral("ZoomLabel"));
    m_label->setText(ZoomText(1));

    connect(m_view, &MapView::ZoomChanged, this, &MapNavigator::ZoomChanged);
    connect(m_view, &MapView::PictureSizeChanged, this, &MapNavigator::PictureShown);
    // The grey around a small map: the wheel, the middle button and a pinch
    // work there as on the map.
    m_area->viewport()->installEventFilter(this);
    ZoomChanged();
}

QString MapNavigator::ZoomText(double factor)
{
    return QStringLiteral("Zoom: ") + MapZoom(factor).Percent();
}

void MapNavigator::ZoomChanged()
{
    const MapZoom &zoom = m_view->Zoom();
    m_label->setText(ZoomText(zoom.Factor()));
    m_zoomIn->setEnabled(zoom.Factor() < MapZoom::Largest);
    m_zoomOut->setEnabled(zoom.Factor() > MapZoom::Smallest);
    if (!m_project.isEmpty())
        m_zoomOf.insert(m_project, zoom.Factor());
}

QPointF MapNavigator::ViewportCentre() const
{
    const QSize size = m_area->viewport()->size();
    return QPointF(size.width() / 2.0, size.height() / 2.0);
}

void MapNavigator::ZoomAbout(double factor, QPointF anchor)
{
    const MapZoom zoom(factor);
    const double before = m_view->Zoom().Factor();
    if (zoom.Factor() == before)
        return;
    // The anchor's place on the map, between pixels: the one of the last
    // step when nothing moved since.
    QPointF onMap = (anchor - QPointF(m_view->pos())) / before;
    if (anchor == m_anchor && m_view->pos() == m_anchorViewAt && before == m_anchorZoom)
        onMap = m_anchorOnMap;
    m_view->SetZoom(zoom);
    const QPointF at = anchor - onMap * zoom.Factor();
    m_area->PlaceMapAt(QPoint(int(std::lround(at.x())), int(std::lround(at.y()))));
    m_anchor = anchor;
    m_anchorOnMap = onMap;
    m_anchorViewAt = m_view->pos();
    m_anchorZoom = zoom.Factor();
}

void MapNavigator::ZoomIn()
{
    ZoomAbout(MapZoom::StepIn(m_view->Zoom().Factor()), ViewportCentre());
}

void MapNavigator::ZoomOut()
{
    ZoomAbout(MapZoom::StepOut(m_view->Zoom().Factor()), ViewportCentre());
}

void MapNavigator::ActualSize()
{
    ZoomAbout(1, ViewportCentre());
}

void MapNavigator::Fit()
{
    const QSize mapSize = m_view->HasPicture() ? m_view->Scene().size : QSize();
    m_view->SetZoom(MapZoom(MapZoom::Fit(mapSize, m_area->viewport()->size())));
    m_area->Reset();
    // Scroll bars that went make the viewport larger: fitted to that.
    m_view->SetZoom(MapZoom(MapZoom::Fit(mapSize, m_area->viewport()->size())));
    m_area->Reset();
}

void MapNavigator::PictureShown(QSize size)
{
    const bool another = m_shownSize.isValid() && size != m_shownSize;
    if (size.isEmpty())
        return;
    m_shownSize = size;
    if (!m_fitNext && !another)
        return;
    m_fitNext = false;
    const QSize port = m_area->maximumViewportSize();
    if (size.width() > port.width() || size.height() > port.height())
        Fit();
    else
        ActualSize();
    m_area->Reset();
}

void MapNavigator::PanBy(QPoint delta)
{
    QScrollBar *h = m_area->horizontalScrollBar();
    QScrollBar *v = m_area->verticalScrollBar();
    h->setValue(h->value() - delta.x());
    v->setValue(v->value() - delta.y());
}

bool MapNavigator::Wheel(QWheelEvent *event, QPointF position)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods & Qt::ControlModifier) {
        // One notch (120) is one step; a touchpad's small turns add up.
        m_wheelRest += event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
        double factor = m_view->Zoom().Factor();
        for (; m_wheelRest >= 120; m_wheelRest -= 120)
            factor = MapZoom::StepIn(factor);
        for (; m_wheelRest <= -120; m_wheelRest += 120)
            factor = MapZoom::StepOut(factor);
        ZoomAbout(factor, position);
        event->accept();
        return true;
    }
    if (mods & Qt::ShiftModifier) {
        QScrollBar *h = m_area->horizontalScrollBar();
        const int delta = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
        h->setValue(h->value() - delta * QApplication::wheelScrollLines() * h->singleStep() / 120);
        event->accept();
        return true;
    }
    return false;
}

bool MapNavigator::Gesture(QNativeGestureEvent *event, QPointF position)
{
    if (event->gestureType() != Qt::ZoomNativeGesture)
        return false;
    ZoomAbout(m_view->Zoom().Factor() * (1 + event->value()), position);
    event->accept();
    return true;
}

bool MapNavigator::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_viewport)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Wheel: {
        auto *wheel = static_cast<QWheelEvent *>(event);
        return Wheel(wheel, wheel->position());
    }
    case QEvent::NativeGesture: {
        auto *gesture = static_cast<QNativeGestureEvent *>(event);
        return Gesture(gesture, gesture->position());
    }
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::MiddleButton)
            break;
        m_panning = true;
        m_panFrom = mouse->globalPosition().toPoint();
        m_area->viewport()->setCursor(Qt::ClosedHandCursor);
        return true;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!m_panning)
            break;
        const QPoint at = mouse->globalPosition().toPoint();
        PanBy(at - m_panFrom);
        m_panFrom = at;
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!m_panning || mouse->button() != Qt::MiddleButton)
            break;
        m_panning = false;
        m_area->viewport()->unsetCursor();
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void MapNavigator::ProjectOpened(const QString &fileName)
{
    m_project = fileName;
    m_wheelRest = 0;
    m_fitNext = !m_zoomOf.contains(fileName);
    m_shownSize = QSize();
    m_view->SetZoom(MapZoom(m_zoomOf.value(fileName, 1)));
    m_area->Reset();
    ZoomChanged();
}

void MapNavigator::ProjectRenamed(const QString &fileName)
{
    if (fileName == m_project)
        return;
    m_project = fileName;
    ZoomChanged();
}
