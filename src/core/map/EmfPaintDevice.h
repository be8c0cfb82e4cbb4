#pragma once

#include "core/map/EmfPaintEngine.h"

#include <QPaintDevice>
#include <QSize>

class QIODevice;

// A paint device whose drawing is written as an enhanced metafile to out,
// as soon as the painter on it ends. Its picture is size pixels at 96 dpi.
class EmfPaintDevice : public QPaintDevice
{
public:
    EmfPaintDevice(QIODevice *out, const QSize &size);
    ~EmfPaintDevice() override;

    QPaintEngine *paintEngine() const override;

    // False when writing failed (full disk, a bitmap too large for the format).
    bool Ok() const { return m_engine.Ok(); }

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize m_size;
    mutable EmfPaintEngine m_engine;
};
