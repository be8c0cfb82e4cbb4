#pragma once

#include "core/map/LabelGlyphs.h"

#include <QByteArrayView>
#include <QFont>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

// The pictures of the labels painted lately, by their text. A redraw after
// an edit, a scroll back or an uncovered window paints mostly the same
// labels again; from here each costs one blend instead of one per glyph.
// Texts and pictures lie one after the other in two flat stores, in the
// order they were first painted, which is the order the next paint asks for
// them in; a crowded view then reads memory front to back instead of
// jumping between thousands of small blocks. Bounded in bytes: past the
// bound, labels are composed for the moment only.
class LabelImageCache
{
public:
    static constexpr qint64 ByteBudget = 32ll << 20;

    // Starts a paint in font; a change of font empties the cache (of the
    // glyph tables, the last few fonts' are kept).
    void BeginPaint(const QFont &font);

    // The glyph table for the current font; null when the font has none.
    const LabelGlyphs *Glyphs() const { return m_glyphs && m_glyphs->IsValid() ? m_glyphs.get() : nullptr; }

    // text's picture; null when it cannot be made from glyphs. Valid until
    // the next call.
    const LabelImage *Find(QByteArrayView text);

    qint64 Bytes() const
    {
        return qint64(m_keys.size() + m_pixels.size() + m_entries.size() * sizeof(Entry)
                      + m_table.size() * sizeof(qint32));
    }
    qsizetype Count() const { return qsizetype(m_entries.size()); }

private:
    struct Entry
    {
        size_t keyAt = 0;
        size_t keySize = 0;
        size_t pixelsAt = 0;
        LabelImage label; // coverage left null: it moves with the store
        quint64 lastPaint = 0;
        quint32 hash = 0;
        bool composed = false;
    };

    void Clear();
    void Rehash();
    void Place(qint32 entry);
    const LabelImage *Result(const Entry &entry, const std::vector<uchar> &pixels);

    std::unique_ptr<LabelGlyphs> m_glyphs;
    QString m_fontKey;
    std::vector<std::pair<QString, std::unique_ptr<LabelGlyphs>>> m_earlierGlyphs; // the latest first
    std::vector<Entry> m_entries;
    std::vector<char> m_keys;
    std::vector<uchar> m_pixels;
    std::vector<qint32> m_table; // open addressing: entry numbers, -1 for free
    quint64 m_paint = 0;
    std::vector<uchar> m_passing; // a label composed while the cache is full
    LabelImage m_result;
};
