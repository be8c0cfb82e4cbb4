#include "core/map/LabelGlyphs.h"

#include "core/base/PixelLoop.h"
#include "core/platform/AnsiCodec.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <climits>

namespace {

// c times f / 255, rounded.
uint Scaled(uint c, uint f)
{
    const uint t = c * f + 128;
    return (t + (t >> 8)) >> 8;
}

// Where a glyph drawn alone left ink; empty for a blank.
TOLVEK_PIXEL_LOOP QRect InkOf(const QImage &scratch)
{
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = 0; y < scratch.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(scratch.constScanLine(y));
        for (int x = 0; x < scratch.width(); ++x) {
            if (qAlpha(line[x]) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

TOLVEK_PIXEL_LOOP QImage AlphaOf(const QImage &scratch, const QRect &ink)
{
    QImage alpha(ink.size(), QImage::Format_Alpha8);
    for (int y = ink.top(); y <= ink.bottom(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(scratch.constScanLine(y));
        uchar *to = alpha.scanLine(y - ink.top());
        for (int x = ink.left(); x <= ink.right(); ++x)
            to[x - ink.left()] = uchar(qAlpha(line[x]));
    }
    return alpha;
}

// One glyph's coverage laid over the label's pixels.
TOLVEK_PIXEL_LOOP void LayOver(const QImage &mask, uchar *to, size_t stride)
{
    for (int y = 0; y < mask.height(); ++y, to += stride) {
        const uchar *cover = mask.constScanLine(y);
        for (int i = 0; i < mask.width(); ++i) {
            const uint a = cover[i];
            if (a != 0)
                to[i] = uchar(a + Scaled(to[i], 255 - a));
        }
    }
}

} // namespace

LabelGlyphs::LabelGlyphs(const QFont &font)
{
    // Big letters are few on a map and their pictures large: they are laid
    // out as text.
    if (font.pixelSize() > MaxPixelSize)
        return;
    m_raw = QRawFont::fromFont(font);
    if (!m_raw.isValid())
        return;
    const QFontMetrics metrics(font);
    // Every glyph is drawn alone, white on transparent, at a pen position
    // well inside a scratch picture; what it inks is its mask.
    const int pad = metrics.height();
    m_scratch = QImage(2 * pad + metrics.maxWidth(), 2 * pad + metrics.height(), QImage::Format_ARGB32_Premultiplied);
    if (m_scratch.isNull())
        return;
    m_pen = QPoint(pad, pad + metrics.ascent());
    // The advances now, as a label's width is bounded by the widest; the
    // masks when a label first needs them, as most labels use a few dozen
    // of the bytes and rasterizing all took milliseconds of a first paint.
    for (int b = 0; b < 256; ++b) {
        const QString text = AnsiCodec::toUnicode(QByteArray(1, char(b)));
        // Control characters and bytes Windows-1252 leaves undefined have no
        // glyph of their own: such a label goes the slow way.
        if (text.size() != 1 || !text[0].isPrint())
            continue;
        const QList<quint32> glyphs = m_raw.glyphIndexesForString(text);
        if (glyphs.size() != 1 || glyphs[0] == 0)
            continue;
        Mask &mask = m_masks[size_t(b)];
        mask.present = true;
        mask.glyph = glyphs[0];
        mask.advance = metrics.horizontalAdvance(text[0]);
        m_maxAdvance = std::max(m_maxAdvance, mask.advance);
    }
    m_valid = true;
}

const LabelGlyphs::Mask &LabelGlyphs::MaskOf(unsigned char byte) const
{
    Mask &mask = m_masks[byte];
    if (!mask.present || mask.drawn)
        return mask;
    mask.drawn = true;
    m_scratch.fill(Qt::transparent);
    {
        QPainter painter(&m_scratch);
        painter.setPen(Qt::white);
        QGlyphRun run;
        run.setRawFont(m_raw);
        const QPointF origin(0, 0);
        run.setRawData(&mask.glyph, &origin, 1);
        painter.drawGlyphRun(m_pen, run);
    }
    const QRect ink = InkOf(m_scratch);
    if (ink.isEmpty())
        return mask; // a blank: it only advances
    mask.alpha = AlphaOf(m_scratch, ink);
    mask.offset = ink.topLeft() - m_pen;
    return mask;
}

bool LabelGlyphs::Compose(QByteArrayView text, LabelImage &out, std::vector<uchar> &pixels) const
{
    // Where the ink lies, from the pen positions and the masks.
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    int x = 0;
    for (const char c : text) {
        const Mask &mask = MaskOf(static_cast<unsigned char>(c));
        if (!mask.present)
            return false;
        if (!mask.alpha.isNull()) {
            left = std::min(left, x + mask.offset.x());
            top = std::min(top, mask.offset.y());
            right = std::max(right, x + mask.offset.x() + mask.alpha.width());
            bottom = std::max(bottom, mask.offset.y() + mask.alpha.height());
        }
        x += mask.advance;
    }
    out.width = x;
    out.coverage = nullptr;
    if (right == INT_MIN) {
        out.size = QSize(0, 0);
        out.offset = QPoint();
        return true;
    }
    // A name thousands of characters long is left to the text layout
    // rather than made into a picture of many megabytes.
    if (right - left > MaxPictureWidth)
        return false;
    out.offset = QPoint(left, top);
    out.size = QSize(right - left, bottom - top);
    const size_t at = pixels.size();
    const size_t stride = size_t(out.size.width());
    pixels.resize(at + stride * size_t(out.size.height()), 0);

    // Each glyph over what the earlier ones left, as the painter would lay
    // them over the map one after the other.
    x = 0;
    for (const char c : text) {
        const Mask &mask = MaskOf(static_cast<unsigned char>(c));
        if (!mask.alpha.isNull()) {
            const int ox = x + mask.offset.x() - left;
            const int oy = mask.offset.y() - top;
            LayOver(mask.alpha, pixels.data() + at + size_t(oy) * stride + size_t(ox), stride);
        }
        x += mask.advance;
    }
    return true;
}
