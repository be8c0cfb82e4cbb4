#pragma once

#include <QColor>
#include <QFont>
#include <QPaintEngine>
#include <QSize>
#include <QString>

class QIODevice;

// Records QPainter drawing as enhanced-metafile records (written with
// libuemf) on a device: images become StretchDIBits with a 24-bit bitmap,
// polygons Polygon16 (Polygon when a corner does not fit in 16 bits) with
// their exact integer corners, text ExtTextOutW with the font, colours and
// background mode of the painter. The picture is size pixels at 96 dpi.
//
// It knows only what the map needs: polygons, rectangles, images and text.
class EmfPaintEngine : public QPaintEngine
{
public:
    EmfPaintEngine(QIODevice *out, const QSize &size);
    ~EmfPaintEngine() override;

    bool begin(QPaintDevice *device) override;
    bool end() override;
    void updateState(const QPaintEngineState &state) override;
    void drawPolygon(const QPointF *points, int pointCount, PolygonDrawMode mode) override;
    void drawPolygon(const QPoint *points, int pointCount, PolygonDrawMode mode) override;
    void drawRects(const QRect *rects, int rectCount) override;
    void drawRects(const QRectF *rects, int rectCount) override;
    void drawImage(const QRectF &r, const QImage &image, const QRectF &sr,
                   Qt::ImageConversionFlags flags = Qt::AutoColor) override;
    void drawPixmap(const QRectF &r, const QPixmap &pm, const QRectF &sr) override;
    void drawTextItem(const QPointF &p, const QTextItem &textItem) override;
    Type type() const override { return QPaintEngine::User; }

    // False once a write to the device failed.
    bool Ok() const { return !m_failed; }

    // The reference device: a 1920 x 1440 pixel screen of 508 x 381 mm (96 dpi).
    static constexpr int ReferenceWidthPixels = 1920;
    static constexpr int ReferenceHeightPixels = 1440;
    static constexpr int ReferenceWidthMM = 508;
    static constexpr int ReferenceHeightMM = 381;

private:
    void Write(const char *data, qint64 size);
    void WriteRecord(char *record); // takes ownership of a libuemf record
    void PolygonRecord(const QList<QPoint> &points);
    // Selects a newly made object and deletes the one it replaces.
    void ReplaceObject(uint32_t newHandle, uint32_t &current);
    void SelectPen();
    void SelectBrush();
    void SelectFont(const QFont &font);
    void SetBackgroundMode(bool opaque);
    void SetTextColour(const QColor &colour);
    void SetBackgroundColour(const QColor &colour);

    QIODevice *m_out;
    QSize m_size;
    void *m_handles = nullptr; // libuemf's handle table
    qint64 m_start = 0;
    quint32 m_bytes = 0;
    quint32 m_records = 0;
    bool m_failed = false;

    // What the painter asks for ...
    QPen m_pen;
    QBrush m_brush;
    QFont m_font;
    bool m_opaque = false;
    QBrush m_background;
    QTransform m_transform;

    // ... and what the metafile has selected.
    quint32 m_penHandle = 0;
    QColor m_penColour;
    bool m_penNull = false;
    quint32 m_brushHandle = 0;
    QColor m_brushColour;
    bool m_brushNull = false;
    quint32 m_fontHandle = 0;
    QString m_fontFamily;
    int m_fontPixels = 0;
    int m_fontWeight = 0;
    bool m_fontItalic = false;
    int m_emfBackgroundMode = 2;              // a new device context starts opaque ...
    QColor m_emfTextColour = Qt::black;       // ... with black text
    QColor m_emfBackgroundColour = Qt::white; // on white
};
