#include "core/map/EmfPaintDevice.h"

EmfPaintDevice::EmfPaintDevice(QIODevice *out, const QSize &size) : m_size(size), m_engine(out, size)
{
}

EmfPaintDevice::~EmfPaintDevice() = default;

QPaintEngine *EmfPaintDevice::paintEngine() const
{
    return &m_engine;
}

int EmfPaintDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return m_size.width();
    case PdmHeight:
        return m_size.height();
    case PdmWidthMM:
        return int(qint64(m_size.width()) * 254 / 960);
    case PdmHeightMM:
        return int(qint64(m_size.height()) * 254 / 960);
    case PdmNumColors:
        return 0x7fffffff;
    case PdmDepth:
        return 24;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return 96;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}
