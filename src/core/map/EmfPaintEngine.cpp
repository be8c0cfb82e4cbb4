#include "core/map/EmfPaintEngine.h"

#include <QFontMetrics>
#include <QIODevice>
#include <QImage>
#include <QPixmap>
#include <QTextItem>

#include <uemf.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

EMFHANDLES *Table(void *p)
{
    return static_cast<EMFHANDLES *>(p);
}

U_COLORREF ColourRef(const QColor &c)
{
    return colorref3_set(uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue()));
}

U_RECTL Rect(qint64 left, qint64 top, qint64 right, qint64 bottom)
{
    auto clamp32 = [](qint64 v) {
        return int32_t(std::clamp<qint64>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    };
    U_RECTL r;
    r.left = clamp32(left);
    r.top = clamp32(top);
    r.right = clamp32(right);
    r.bottom = clamp32(bottom);
    return r;
}

quint32 RecordSize(const char *record)
{
    return reinterpret_cast<const U_EMR *>(record)->nSize;
}

} // namespace

EmfPaintEngine::EmfPaintEngine(QIODevice *out, const QSize &size)
    : QPaintEngine(QPaintEngine::AllFeatures),
      m_out(out),
      m_size(size)
{
}

EmfPaintEngine::~EmfPaintEngine()
{
    if (m_handles) {
        EMFHANDLES *eht = Table(m_handles);
        emf_htable_free(&eht);
    }
}

void EmfPaintEngine::Write(const char *data, qint64 size)
{
    if (m_failed)
        return;
    if (m_out->write(data, size) != size) {
        m_failed = true;
        return;
    }
    m_bytes += quint32(size);
}

void EmfPaintEngine::WriteRecord(char *record)
{
    if (!record) {
        m_failed = true;
        return;
    }
    Write(record, RecordSize(record));
    ++m_records;
    std::free(record);
}

bool EmfPaintEngine::begin(QPaintDevice *)
{
    EMFHANDLES *eht = nullptr;
    if (emf_htable_create(128, 128, &eht) != 0)
        return false;
    m_handles = eht;
    m_start = m_out->pos();

    const qint64 w = m_size.width();
    const qint64 h = m_size.height();
    // The picture: its size in pixels, and the same at 96 dpi in 0.01 mm.
    const U_RECTL bounds = Rect(0, 0, w - 1, h - 1);
    const U_RECTL frame = Rect(0, 0, (w * 2540 + 48) / 96, (h * 2540 + 48) / 96);
    const char16_t description[] = u"Tolvek\0Overzichtskaart\0";
    const U_CBSTR descriptionLength = sizeof(description) / sizeof(char16_t); // both texts and the final NUL
    char *header = U_EMRHEADER_set(
        bounds, frame, nullptr, descriptionLength, reinterpret_cast<uint16_t *>(const_cast<char16_t *>(description)),
        sizel_set(ReferenceWidthPixels, ReferenceHeightPixels), sizel_set(ReferenceWidthMM, ReferenceHeightMM), 0);
    if (!header)
        return false;
    auto *hdr = reinterpret_cast<U_EMRHEADER *>(header);
    hdr->szlMicrometers = sizel_set(ReferenceWidthMM * 1000, ReferenceHeightMM * 1000);
    WriteRecord(header);
    return !m_failed;
}

bool EmfPaintEngine::end()
{
    if (m_penHandle) {
        uint32_t ih = m_penHandle;
        WriteRecord(deleteobject_set(&ih, Table(m_handles)));
        m_penHandle = 0;
    }
    if (m_brushHandle) {
        uint32_t ih = m_brushHandle;
        WriteRecord(deleteobject_set(&ih, Table(m_handles)));
        m_brushHandle = 0;
    }
    if (m_fontHandle) {
        uint32_t ih = m_fontHandle;
        WriteRecord(deleteobject_set(&ih, Table(m_handles)));
        m_fontHandle = 0;
    }
    // The end record, without a palette (libuemf's setter wants its own file tracker).
    U_EMREOF eof;
    std::memset(&eof, 0, sizeof eof);
    eof.emr.iType = U_EMR_EOF;
    eof.emr.nSize = sizeof(U_EMREOF) + sizeof(uint32_t);
    eof.cbPalEntries = 0;
    eof.offPalEntries = sizeof(U_EMREOF);
    const uint32_t sizeLast = eof.emr.nSize;
    Write(reinterpret_cast<const char *>(&eof), sizeof eof);
    Write(reinterpret_cast<const char *>(&sizeLast), sizeof sizeLast);
    ++m_records;
    if (m_failed)
        return false;

    // Now that everything is written, the header can tell its totals.
    const qint64 endPos = m_out->pos();
    U_EMRHEADER header;
    const qint64 nBytesAt = m_start + qint64(offsetof(U_EMRHEADER, nBytes));
    if (!m_out->seek(nBytesAt)) {
        m_failed = true;
        return false;
    }
    header.nBytes = m_bytes;
    header.nRecords = m_records;
    header.nHandles = uint16_t(Table(m_handles)->peak + 1);
    header.sReserved = 0;
    static_assert(offsetof(U_EMRHEADER, nRecords) == offsetof(U_EMRHEADER, nBytes) + 4);
    static_assert(offsetof(U_EMRHEADER, nHandles) == offsetof(U_EMRHEADER, nBytes) + 8);
    const char *from = reinterpret_cast<const char *>(&header) + offsetof(U_EMRHEADER, nBytes);
    const qint64 length = qint64(offsetof(U_EMRHEADER, nDescription) - offsetof(U_EMRHEADER, nBytes));
    if (m_out->write(from, length) != length || !m_out->seek(endPos))
        m_failed = true;
    return !m_failed;
}

void EmfPaintEngine::updateState(const QPaintEngineState &state)
{
    const DirtyFlags flags = state.state();
    if (flags & DirtyPen)
        m_pen = state.pen();
    if (flags & DirtyBrush)
        m_brush = state.brush();
    if (flags & DirtyFont)
        m_font = state.font();
    // QPainter does not always flag these; they are cheap to read.
    m_opaque = state.backgroundMode() == Qt::OpaqueMode;
    m_background = state.backgroundBrush();
    if (flags & DirtyTransform)
        m_transform = state.transform();
}

void EmfPaintEngine::SelectPen()
{
    const bool isNull = m_pen.style() == Qt::NoPen;
    const QColor colour = m_pen.color();
    if (m_penHandle && isNull == m_penNull && (isNull || colour.rgb() == m_penColour.rgb()))
        return;
    uint32_t newHandle = 0;
    const U_LOGPEN pen = logpen_set(isNull ? U_PS_NULL : U_PS_SOLID, point32_set(1, 0), ColourRef(colour));
    WriteRecord(createpen_set(&newHandle, Table(m_handles), pen));
    ReplaceObject(newHandle, m_penHandle);
    m_penNull = isNull;
    m_penColour = colour;
}

void EmfPaintEngine::ReplaceObject(uint32_t newHandle, uint32_t &current)
{
    WriteRecord(selectobject_set(newHandle, Table(m_handles)));
    if (current) {
        uint32_t old = current;
        WriteRecord(deleteobject_set(&old, Table(m_handles)));
    }
    current = newHandle;
}

void EmfPaintEngine::SelectBrush()
{
    const bool isNull = m_brush.style() == Qt::NoBrush;
    const QColor colour = m_brush.color();
    if (m_brushHandle && isNull == m_brushNull && (isNull || colour.rgb() == m_brushColour.rgb()))
        return;
    uint32_t newHandle = 0;
    const U_LOGBRUSH brush = logbrush_set(isNull ? U_BS_NULL : U_BS_SOLID, ColourRef(colour), 0);
    WriteRecord(createbrushindirect_set(&newHandle, Table(m_handles), brush));
    ReplaceObject(newHandle, m_brushHandle);
    m_brushNull = isNull;
    m_brushColour = colour;
}

void EmfPaintEngine::SelectFont(const QFont &font)
{
    const int pixels = font.pixelSize() > 0 ? font.pixelSize() : int(std::lround(font.pointSizeF() * 96 / 72));
    const int weight = font.weight() >= QFont::Bold ? U_FW_BOLD : U_FW_NORMAL;
    const QString family = font.family();
    if (m_fontHandle && pixels == m_fontPixels && weight == m_fontWeight && font.italic() == m_fontItalic
        && family == m_fontFamily)
        return;

    uint16_t face[U_LF_FACESIZE] = {};
    const QString name = family.left(U_LF_FACESIZE - 1);
    for (qsizetype i = 0; i < name.size(); ++i)
        face[i] = name.at(i).unicode();
    // A negative height asks for that character height in pixels, as a
    // Windows font of so many points on a 96 dpi screen.
    const U_LOGFONT lf =
        logfont_set(-pixels, 0, 0, 0, weight, font.italic() ? 1 : 0, 0, 0, U_DEFAULT_CHARSET, U_OUT_DEFAULT_PRECIS,
                    U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY, U_DEFAULT_PITCH | U_FF_DONTCARE, face);
    uint32_t newHandle = 0;
    WriteRecord(extcreatefontindirectw_set(&newHandle, Table(m_handles), reinterpret_cast<const char *>(&lf), nullptr));
    ReplaceObject(newHandle, m_fontHandle);
    m_fontPixels = pixels;
    m_fontWeight = weight;
    m_fontItalic = font.italic();
    m_fontFamily = family;
}

void EmfPaintEngine::SetBackgroundMode(bool opaque)
{
    const int mode = opaque ? U_OPAQUE : U_TRANSPARENT;
    if (mode == m_emfBackgroundMode)
        return;
    WriteRecord(U_EMRSETBKMODE_set(uint32_t(mode)));
    m_emfBackgroundMode = mode;
}

void EmfPaintEngine::SetTextColour(const QColor &colour)
{
    if (colour.rgb() == m_emfTextColour.rgb())
        return;
    WriteRecord(U_EMRSETTEXTCOLOR_set(ColourRef(colour)));
    m_emfTextColour = colour;
}

void EmfPaintEngine::SetBackgroundColour(const QColor &colour)
{
    if (colour.rgb() == m_emfBackgroundColour.rgb())
        return;
    WriteRecord(U_EMRSETBKCOLOR_set(ColourRef(colour)));
    m_emfBackgroundColour = colour;
}

void EmfPaintEngine::PolygonRecord(const QList<QPoint> &points)
{
    if (points.size() < 2)
        return;
    SelectPen();
    SelectBrush();
    qint64 left = points[0].x(), right = left, top = points[0].y(), bottom = top;
    for (const QPoint &p : points) {
        left = std::min<qint64>(left, p.x());
        right = std::max<qint64>(right, p.x());
        top = std::min<qint64>(top, p.y());
        bottom = std::max<qint64>(bottom, p.y());
    }
    const U_RECTL bounds = Rect(left, top, right, bottom);
    const bool small = left >= INT16_MIN && right <= INT16_MAX && top >= INT16_MIN && bottom <= INT16_MAX;
    if (small) {
        QList<U_POINT16> pts;
        for (const QPoint &p : points)
            pts.append(point16_set(int16_t(p.x()), int16_t(p.y())));
        WriteRecord(U_EMRPOLYGON16_set(bounds, uint32_t(pts.size()), pts.constData()));
    } else {
        QList<U_POINTL> pts;
        for (const QPoint &p : points)
            pts.append(point32_set(p.x(), p.y()));
        WriteRecord(U_EMRPOLYGON_set(bounds, uint32_t(pts.size()), pts.constData()));
    }
}

void EmfPaintEngine::drawPolygon(const QPoint *points, int pointCount, PolygonDrawMode)
{
    QList<QPoint> pts;
    pts.reserve(pointCount);
    for (int i = 0; i < pointCount; ++i)
        pts.append(m_transform.map(points[i]));
    PolygonRecord(pts);
}

void EmfPaintEngine::drawPolygon(const QPointF *points, int pointCount, PolygonDrawMode)
{
    QList<QPoint> pts;
    pts.reserve(pointCount);
    for (int i = 0; i < pointCount; ++i)
        pts.append(m_transform.map(points[i]).toPoint());
    PolygonRecord(pts);
}

void EmfPaintEngine::drawRects(const QRect *rects, int rectCount)
{
    // Before text in opaque mode QPainter fills the text's box itself, with
    // no pen and the background brush. The metafile's opaque background mode
    // does that with the text, as Windows would, so that box is left out.
    if (m_opaque && m_pen.style() == Qt::NoPen && m_brush.style() == Qt::SolidPattern
        && m_brush.color().rgb() == m_background.color().rgb())
        return;
    for (int i = 0; i < rectCount; ++i) {
        const QRect &r = rects[i];
        const QPoint corners[4] = {r.topLeft(), QPoint(r.right() + 1, r.top()), QPoint(r.right() + 1, r.bottom() + 1),
                                   QPoint(r.left(), r.bottom() + 1)};
        drawPolygon(corners, 4, ConvexMode);
    }
}

void EmfPaintEngine::drawRects(const QRectF *rects, int rectCount)
{
    for (int i = 0; i < rectCount; ++i) {
        const QRect r = rects[i].toRect();
        drawRects(&r, 1);
    }
}

void EmfPaintEngine::drawImage(const QRectF &r, const QImage &image, const QRectF &sr, Qt::ImageConversionFlags)
{
    const QRect source = sr.toAlignedRect() & image.rect();
    if (source.isEmpty())
        return;
    const QRect target = m_transform.mapRect(r).toAlignedRect();
    const qint64 w = source.width();
    const qint64 h = source.height();
    const qint64 stride = (w * 3 + 3) & ~qint64(3);
    const qint64 bitsSize = stride * h;
    const qint64 headerSize = qint64(sizeof(U_EMRSTRETCHDIBITS)) + qint64(sizeof(U_BITMAPINFOHEADER));
    if (headerSize + bitsSize > qint64(std::numeric_limits<uint32_t>::max()) - m_bytes) {
        m_failed = true; // an enhanced metafile cannot hold a bitmap this big
        return;
    }

    U_EMRSTRETCHDIBITS rec;
    std::memset(&rec, 0, sizeof rec);
    rec.emr.iType = U_EMR_STRETCHDIBITS;
    rec.emr.nSize = uint32_t(headerSize + bitsSize);
    rec.rclBounds = Rect(target.left(), target.top(), qint64(target.left()) + target.width() - 1,
                         qint64(target.top()) + target.height() - 1);
    rec.Dest = point32_set(target.left(), target.top());
    rec.Src = point32_set(0, 0);
    rec.cSrc = point32_set(int32_t(w), int32_t(h));
    rec.offBmiSrc = uint32_t(sizeof(U_EMRSTRETCHDIBITS));
    rec.cbBmiSrc = uint32_t(sizeof(U_BITMAPINFOHEADER));
    rec.offBitsSrc = uint32_t(headerSize);
    rec.cbBitsSrc = uint32_t(bitsSize);
    rec.iUsageSrc = U_DIB_RGB_COLORS;
    rec.dwRop = U_SRCCOPY;
    rec.cDest = point32_set(target.width(), target.height());

    U_BITMAPINFOHEADER bmi;
    std::memset(&bmi, 0, sizeof bmi);
    bmi.biSize = sizeof(U_BITMAPINFOHEADER);
    bmi.biWidth = int32_t(w);
    bmi.biHeight = int32_t(h); // bottom-up rows, as Windows stores them
    bmi.biPlanes = 1;
    bmi.biBitCount = 24;
    bmi.biCompression = U_BI_RGB;
    bmi.biSizeImage = uint32_t(bitsSize);
    bmi.biXPelsPerMeter = 3780; // 96 dpi
    bmi.biYPelsPerMeter = 3780;

    Write(reinterpret_cast<const char *>(&rec), sizeof rec);
    Write(reinterpret_cast<const char *>(&bmi), sizeof bmi);

    // Rows go out in small batches, converted on the way: the bitmap is
    // never held twice in memory.
    const int batchRows = int(std::clamp<qint64>((4 << 20) / std::max<qint64>(stride, 1), 1, h));
    QByteArray buffer(stride * batchRows, '\0');
    const bool direct = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
        || image.format() == QImage::Format_ARGB32_Premultiplied;
    for (qint64 done = 0; done < h && !m_failed;) {
        const int rows = int(std::min<qint64>(batchRows, h - done));
        // Source rows for this batch, bottom row of the picture first.
        const int lastRow = source.top() + int(h - 1 - done);
        const int firstRow = lastRow - rows + 1;
        QImage strip;
        if (!direct)
            strip = image.copy(source.left(), firstRow, int(w), rows).convertToFormat(QImage::Format_RGB32);
        for (int i = 0; i < rows; ++i) {
            const int y = lastRow - i;
            const QRgb *line = direct ? reinterpret_cast<const QRgb *>(image.constScanLine(y)) + source.left()
                                      : reinterpret_cast<const QRgb *>(strip.constScanLine(y - firstRow));
            auto *out = reinterpret_cast<unsigned char *>(buffer.data()) + qint64(i) * stride;
            for (qint64 x = 0; x < w; ++x) {
                const QRgb px = line[x];
                out[3 * x] = uchar(qBlue(px));
                out[3 * x + 1] = uchar(qGreen(px));
                out[3 * x + 2] = uchar(qRed(px));
            }
        }
        Write(buffer.constData(), stride * rows);
        done += rows;
    }
    ++m_records;
}

void EmfPaintEngine::drawPixmap(const QRectF &r, const QPixmap &pm, const QRectF &sr)
{
    drawImage(r, pm.toImage(), sr);
}

void EmfPaintEngine::drawTextItem(const QPointF &p, const QTextItem &textItem)
{
    const QString text = textItem.text();
    if (text.isEmpty())
        return;
    const QFont font = textItem.font();
    const QFontMetrics metrics(font);
    SelectFont(font);
    SetTextColour(m_pen.color());
    SetBackgroundMode(m_opaque);
    if (m_opaque)
        SetBackgroundColour(m_background.color());

    // The painter gives the baseline; the metafile text is placed by its top-left corner.
    const QPoint base = m_transform.map(p).toPoint();
    const qint64 left = base.x();
    const qint64 top = qint64(base.y()) - metrics.ascent();
    QList<uint32_t> dx;
    dx.reserve(text.size());
    qint64 width = 0;
    for (const QChar c : text) {
        const int advance = metrics.horizontalAdvance(c);
        dx.append(uint32_t(advance));
        width += advance;
    }
    const U_RECTL none = Rect(0, 0, -1, -1);
    char *emrText =
        emrtext_set(point32_set(int32_t(std::clamp<qint64>(left, INT32_MIN, INT32_MAX)),
                                int32_t(std::clamp<qint64>(top, INT32_MIN, INT32_MAX))),
                    U_NUM_STR(text.size()), 2, const_cast<QChar *>(text.constData()), U_ETO_NONE, none, dx.data());
    if (!emrText) {
        m_failed = true;
        return;
    }
    const U_RECTL bounds = Rect(left, top, left + std::max<qint64>(width, 1) - 1, top + metrics.height() - 1);
    // The scales turn pixels of the 96 dpi reference into 0.01 mm.
    const U_FLOAT scale = U_FLOAT(2540.0 / 96.0);
    WriteRecord(U_EMREXTTEXTOUTW_set(bounds, U_GM_COMPATIBLE, scale, scale, reinterpret_cast<PU_EMRTEXT>(emrText)));
    std::free(emrText);
}
