#include "map/LabelImageCache.h"

void LabelImageCache::BeginPaint(const QFont &font)
{
    const QString key = font.key();
    if (!m_glyphs || key != m_fontKey) {
        m_entries.clear();
        m_bytes = 0;
        m_glyphs = std::make_unique<LabelGlyphs>(font);
        m_fontKey = key;
    } else if (m_bytes > ByteBudget / 4 * 3) {
        // Room for the next paint: keep what the last one used.
        for (auto it = m_entries.begin(); it != m_entries.end();) {
            if (it->second.lastPaint == m_paint) {
                ++it;
            } else {
                m_bytes -= it->second.bytes;
                it = m_entries.erase(it);
            }
        }
    }
    ++m_paint;
}

const LabelImage *LabelImageCache::Find(QByteArrayView text)
{
    const LabelGlyphs *glyphs = Glyphs();
    if (!glyphs)
        return nullptr;
    const std::string_view key(text.data(), size_t(text.size()));
    if (const auto it = m_entries.find(key); it != m_entries.end()) {
        it->second.lastPaint = m_paint;
        return it->second.composed ? &it->second.label : nullptr;
    }
    Entry entry;
    entry.composed = glyphs->Compose(text, entry.label);
    entry.lastPaint = m_paint;
    entry.bytes = entry.label.image.sizeInBytes() + qint64(key.size()) + 64;
    if (m_bytes + entry.bytes > ByteBudget) {
        if (!entry.composed)
            return nullptr;
        m_passing = std::move(entry.label);
        return &m_passing;
    }
    m_bytes += entry.bytes;
    const auto it = m_entries.emplace(std::string(key), std::move(entry)).first;
    return it->second.composed ? &it->second.label : nullptr;
}
