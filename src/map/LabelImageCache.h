#pragma once

#include "map/LabelGlyphs.h"

#include <QByteArrayView>
#include <QFont>
#include <QString>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

// The pictures of the labels painted lately, by their text. A redraw after
// an edit, a scroll back or an uncovered window paints mostly the same
// labels again; from here each costs one blend instead of one per glyph.
// Bounded in bytes: past the bound, labels are composed for the moment only.
class LabelImageCache
{
public:
    static constexpr qint64 ByteBudget = 32ll << 20;

    // Starts a paint in font; a change of font empties the cache.
    void BeginPaint(const QFont &font);

    // The glyph table for the current font; null when the font has none.
    const LabelGlyphs *Glyphs() const { return m_glyphs && m_glyphs->IsValid() ? m_glyphs.get() : nullptr; }

    // text's picture; null when a byte has no glyph of its own in the font.
    // Valid until the next call.
    const LabelImage *Find(QByteArrayView text);

    qint64 Bytes() const { return m_bytes; }
    qsizetype Count() const { return qsizetype(m_entries.size()); }

private:
    struct Entry
    {
        LabelImage label;
        bool composed = false;
        quint64 lastPaint = 0;
        qint64 bytes = 0; // the picture, the key and the bookkeeping
    };
    struct Hash
    {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };

    std::unique_ptr<LabelGlyphs> m_glyphs;
    QString m_fontKey;
    std::unordered_map<std::string, Entry, Hash, std::equal_to<>> m_entries;
    qint64 m_bytes = 0;
    quint64 m_paint = 0;
    LabelImage m_passing; // a label composed while the cache is full
};
