#include "gui/photos/PhotoViewArea.h"

#include "core/base/TolvekError.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

PhotoViewArea::PhotoViewArea(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FotoVlak"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(120, 90);
    setFocusPolicy(Qt::StrongFocus);
    m_refit.setSingleShot(true);
    m_refit.setInterval(100);
    connect(&m_refit, &QTimer::timeout, this, &PhotoViewArea::Refit);
}

void PhotoViewArea::SetPicture(std::shared_ptr<const PhotoPicture> picture, const QImage &fitted)
{
    m_picture = std::move(picture);
    m_fitted = fitted;
    m_full = QImage();
    m_text.clear();
    m_fit = true;
    if (m_fitted.size() != FittedSize())
        Refit();
    update();
}

void PhotoViewArea::ShowText(const QString &text)
{
    m_picture.reset();
    m_fitted = QImage();
    m_full = QImage();
    m_text = text;
    update();
}

QSize PhotoViewArea::FittedSize(QSize own, QSize area)
{
    if (own.isEmpty() || area.isEmpty())
        return QSize();
    if (own.width() <= area.width() && own.height() <= area.height())
        return own;
    return own.scaled(area, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QSize PhotoViewArea::FittedSize() const
{
    return m_picture ? FittedSize(m_picture->Size(), size()) : QSize();
}

double PhotoViewArea::Scale() const
{
    if (!m_picture || m_picture->Size().isEmpty())
        return 1;
    return m_fit ? double(FittedSize().width()) / m_picture->Size().width() : m_scale;
}

QRectF PhotoViewArea::PictureRect() const
{
    if (!m_picture)
        return QRectF();
    if (m_fit) {
        const QSize s = FittedSize();
        return QRectF(QPointF((width() - s.width()) / 2.0, (height() - s.height()) / 2.0), QSizeF(s));
    }
    return QRectF(m_topLeft, QSizeF(m_picture->Size()) * m_scale);
}

void PhotoViewArea::Refit()
{
    const QSize target = FittedSize();
    if (!m_picture || target.isEmpty() || m_fitted.size() == target)
        return;
    try {
        m_fitted = m_picture->Scaled(target);
    } catch (const TolvekError &e) {
        ShowText(e.message());
        return;
    }
    update();
}

const QImage &PhotoViewArea::Full()
{
    if (m_full.isNull() && m_picture) {
        try {
            m_full = m_picture->FullSize();
        } catch (const TolvekError &) {
            // Too large to hold whole: the fitted picture, enlarged.
            m_full = m_fitted;
        }
    }
    return m_full;
}

void PhotoViewArea::Fit()
{
    m_fit = true;
    m_full = QImage(); // its memory back; made again when zoomed
    Refit();
    update();
}

void PhotoViewArea::ActualSize()
{
    if (!m_picture)
        return;
    ZoomBy(1 / Scale(), rect().center());
}

void PhotoViewArea::ZoomBy(double factor, QPointF about)
{
    if (!m_picture || m_picture->Size().isEmpty())
        return;
    const QRectF before = PictureRect();
    const double from = Scale();
    const double fitted = double(FittedSize().width()) / m_picture->Size().width();
    // From the fitted view down to a quarter of it, up to 16 times its size.
    const double to = std::clamp(from * factor, std::min(fitted, 1.0) / 4, 16.0);
    if (to == from && !m_fit)
        return;
    // The point under about stays there.
    const QPointF onPicture = (about - before.topLeft()) / from;
    m_fit = false;
    m_scale = to;
    m_topLeft = about - onPicture * to;
    KeepInView();
    update();
}

void PhotoViewArea::KeepInView()
{
    // A picture smaller than the area is centred; a larger one covers it.
    const QSizeF shown = QSizeF(m_picture->Size()) * m_scale;
    auto axis = [](double at, double shownSide, double side) {
        if (shownSide <= side)
            return (side - shownSide) / 2;
        return std::clamp(at, side - shownSide, 0.0);
    };
    m_topLeft = QPointF(axis(m_topLeft.x(), shown.width(), width()), axis(m_topLeft.y(), shown.height(), height()));
}

void PhotoViewArea::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(40, 40, 40));
    if (!m_picture) {
        painter.setPen(Qt::white);
        painter.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap, m_text);
        return;
    }
    const QRectF target = PictureRect();
    if (m_fit) {
        if (m_fitted.isNull())
            return;
        painter.setRenderHint(QPainter::SmoothPixmapTransform, m_fitted.size() != target.size().toSize());
        painter.drawImage(target, m_fitted);
        return;
    }
    // Below its own size smoothed; above it, the pixels as blocks.
    const QImage &full = Full();
    if (full.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_scale < 1);
    // Only the part in view is scaled.
    const QRectF visible = target.intersected(QRectF(rect()));
    const double sx = double(full.width()) / target.width(), sy = double(full.height()) / target.height();
    const QRectF source((visible.x() - target.x()) * sx, (visible.y() - target.y()) * sy, visible.width() * sx,
                        visible.height() * sy);
    painter.drawImage(visible, full, source);
}

void PhotoViewArea::resizeEvent(QResizeEvent *)
{
    if (m_fit)
        m_refit.start();
    else if (m_picture)
        KeepInView();
}

void PhotoViewArea::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0 || !m_picture) {
        event->ignore();
        return;
    }
    ZoomBy(std::pow(1.25, delta / 120.0), event->position());
    event->accept();
}

void PhotoViewArea::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton && !m_fit) {
        m_dragging = true;
        m_dragFrom = event->position();
        setCursor(Qt::ClosedHandCursor);
    }
}

void PhotoViewArea::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    m_topLeft += event->position() - m_dragFrom;
    m_dragFrom = event->position();
    KeepInView();
    update();
}

void PhotoViewArea::mouseReleaseEvent(QMouseEvent *)
{
    if (m_dragging) {
        m_dragging = false;
        unsetCursor();
    }
}

void PhotoViewArea::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit DoubleClicked();
}
