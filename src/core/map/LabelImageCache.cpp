#include "core/map/LabelImageCache.h"

#include <algorithm>
#include <cstring>

namespace {

quint32 HashOf(QByteArrayView text)
{
    // FNV-1a: label texts are short.
    quint32 h = 2166136261u;
    for (const char c : text)
        h = (h ^ quint32(static_cast<unsigned char>(c))) * 16777619u;
    return h;
}

} // namespace

void LabelImageCache::Clear()
{
    m_entries.clear();
    m_keys.clear();
    m_pixels.clear();
    m_table.clear();
}

void LabelImageCache::BeginPaint(const QFont &font)
{
    const QString key = font.key();
    if (!m_glyphs || key != m_fontKey) {
        Clear();
        // The tables of the last few fonts are kept: rasterizing every glyph
        // again costs more than the paint, and a view and an export, or two
        // projects, take turns.
        auto earlier = std::find_if(m_earlierGlyphs.begin(), m_earlierGlyphs.end(),
                                    [&key](const auto &kept) { return kept.first == key; });
        std::unique_ptr<LabelGlyphs> glyphs;
        if (earlier != m_earlierGlyphs.end()) {
            glyphs = std::move(earlier->second);
            m_earlierGlyphs.erase(earlier);
        } else {
            glyphs = std::make_unique<LabelGlyphs>(font);
        }
        if (m_glyphs) {
            m_earlierGlyphs.insert(m_earlierGlyphs.begin(), {m_fontKey, std::move(m_glyphs)});
            if (m_earlierGlyphs.size() > 3)
                m_earlierGlyphs.pop_back();
        }
        m_glyphs = std::move(glyphs);
        m_fontKey = key;
    } else if (Bytes() > ByteBudget / 4 * 3) {
        // Room for the next paint: keep what the last one used, in order.
        std::vector<Entry> entries;
        std::vector<char> keys;
        std::vector<uchar> pixels;
        for (const Entry &e : m_entries) {
            if (e.lastPaint != m_paint)
                continue;
            Entry kept = e;
            kept.keyAt = keys.size();
            keys.insert(keys.end(), m_keys.begin() + qsizetype(e.keyAt),
                        m_keys.begin() + qsizetype(e.keyAt + e.keySize));
            kept.pixelsAt = pixels.size();
            const size_t bytes = size_t(e.label.size.width()) * size_t(e.label.size.height());
            pixels.insert(pixels.end(), m_pixels.begin() + qsizetype(e.pixelsAt),
                          m_pixels.begin() + qsizetype(e.pixelsAt + bytes));
            entries.push_back(kept);
        }
        Clear();
        m_entries = std::move(entries);
        m_keys = std::move(keys);
        m_pixels = std::move(pixels);
        Rehash();
    }
    ++m_paint;
}

void LabelImageCache::Rehash()
{
    // At most half full, so that searches stay short.
    size_t size = 1024;
    while (size < 2 * m_entries.size() + 2)
        size *= 2;
    m_table.assign(size, -1);
    for (qint32 i = 0; i < qint32(m_entries.size()); ++i)
        Place(i);
}

void LabelImageCache::Place(qint32 entry)
{
    const size_t mask = m_table.size() - 1;
    size_t at = m_entries[size_t(entry)].hash & mask;
    while (m_table[at] >= 0)
        at = (at + 1) & mask;
    m_table[at] = entry;
}

const LabelImage *LabelImageCache::Result(const Entry &entry, const std::vector<uchar> &pixels)
{
    if (!entry.composed)
        return nullptr;
    m_result = entry.label;
    m_result.coverage = entry.label.size.isEmpty() ? nullptr : pixels.data() + entry.pixelsAt;
    return &m_result;
}

const LabelImage *LabelImageCache::Find(QByteArrayView text)
{
    const LabelGlyphs *glyphs = Glyphs();
    if (!glyphs)
        return nullptr;
    const quint32 hash = HashOf(text);
    if (!m_table.empty()) {
        const size_t mask = m_table.size() - 1;
        for (size_t at = hash & mask; m_table[at] >= 0; at = (at + 1) & mask) {
            Entry &e = m_entries[size_t(m_table[at])];
            // An empty text may have no bytes at all, which memcmp may not be given.
            if (e.hash == hash && e.keySize == size_t(text.size())
                && (e.keySize == 0 || std::memcmp(m_keys.data() + e.keyAt, text.data(), e.keySize) == 0)) {
                e.lastPaint = m_paint;
                return Result(e, m_pixels);
            }
        }
    }

    Entry entry;
    entry.hash = hash;
    entry.lastPaint = m_paint;
    m_passing.clear();
    entry.composed = glyphs->Compose(text, entry.label, m_passing);
    const qint64 bytes = qint64(m_passing.size() + size_t(text.size()) + sizeof(Entry));
    if (Bytes() + bytes > ByteBudget)
        return Result(entry, m_passing); // pixelsAt 0: the picture is all of m_passing
    entry.keyAt = m_keys.size();
    entry.keySize = size_t(text.size());
    m_keys.insert(m_keys.end(), text.begin(), text.end());
    entry.pixelsAt = m_pixels.size();
    m_pixels.insert(m_pixels.end(), m_passing.begin(), m_passing.end());
    m_entries.push_back(entry);
    if (2 * m_entries.size() + 2 > m_table.size())
        Rehash();
    else
        Place(qint32(m_entries.size() - 1));
    return Result(m_entries.back(), m_pixels);
}
