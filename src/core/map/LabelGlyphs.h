#pragma once

#include <QByteArrayView>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRawFont>
#include <QSize>

#include <array>
#include <vector>

// A label put together from its glyphs: how much each pixel is covered,
// one byte a pixel, row after row. Small, so that the labels of a crowded
// view stay in the processor's caches; the colour is put in as it is laid
// on the map.
struct LabelImage
{
    const uchar *coverage = nullptr; // size.width() * size.height() bytes; null for an empty label
    QSize size;
    QPoint offset; // the picture's top-left from the start of the baseline
    int width = 0; // the sum of the advances
};

// The glyph of every Windows-1252 byte in the label font, rasterized once
// (when a label first uses it) by Qt exactly where it draws it at a
// whole-pixel pen position, so labels are made from their bytes without
// laying out text: a redraw paints thousands of them. Each character
// advances by its own whole-pixel width, as the metafile's character
// spacing places it, so screen and metafile agree. One thread at a time:
// composing may rasterize a glyph.
class LabelGlyphs
{
public:
    // Fonts larger than this (in pixels) get no table.
    static constexpr int MaxPixelSize = 64;
    // Labels wider than this (in pixels) get no picture.
    static constexpr int MaxPictureWidth = 8192;

    explicit LabelGlyphs(const QFont &font);

    bool IsValid() const { return m_valid; }

    // The widest advance of any byte: a label of n bytes is at most n times
    // this wide.
    int MaxAdvance() const { return m_maxAdvance; }

    // text as one picture, its coverage appended to pixels (out.coverage is
    // left null: where it ends up is the caller's); false when a byte has no
    // glyph of its own in the font, so the caller lays the text out as usual.
    bool Compose(QByteArrayView text, LabelImage &out, std::vector<uchar> &pixels) const;

private:
    struct Mask
    {
        QImage alpha;  // coverage, 8 bits; null for a glyph that leaves no ink
        QPoint offset; // its top-left from the pen position on the baseline
        int advance = 0;
        quint32 glyph = 0;
        bool present = false;
        bool drawn = false; // alpha and offset are made
    };
    // The byte's mask, rasterized on first use.
    const Mask &MaskOf(unsigned char byte) const;

    QRawFont m_raw;
    mutable QImage m_scratch;
    QPoint m_pen;
    mutable std::array<Mask, 256> m_masks;
    int m_maxAdvance = 0;
    bool m_valid = false;
};
