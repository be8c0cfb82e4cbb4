#include "core/project/KeyTable.h"

#include "core/project/PhotoEntry.h"

#include <algorithm>
#include <utility>

bool KeyTable::EntryKey(const QByteArray &entry, std::int32_t &key)
{
    return PhotoEntry::TryInt(PhotoEntry::KeyView(entry), key);
}

void KeyTable::Build(const QList<QByteArray> &entries, BadKeys bad)
{
    // The vectors keep their room for the next build.
    m_direct = true;
    m_min = 0;
    m_table.clear();
    m_hash.clear();
    m_firstBad = entries.size();
    std::vector<std::pair<std::int32_t, qsizetype>> &keys = m_keys;
    keys.clear();
    keys.reserve(size_t(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        std::int32_t key = 0;
        if (EntryKey(entries[i], key)) {
            keys.emplace_back(key, i);
        } else if (bad == BadKeys::Stop) {
            m_firstBad = i;
            break;
        }
    }
    if (keys.empty())
        return;
    const auto [lo, hi] = std::minmax_element(keys.begin(), keys.end());
    m_min = lo->first;
    const std::int64_t range = std::int64_t(hi->first) - m_min + 1;
    m_direct = range <= 4 * std::int64_t(keys.size()) + 1024;
    if (m_direct) {
        m_table.assign(size_t(range), -1);
        for (const auto &[key, index] : keys) {
            qsizetype &slot = m_table[size_t(key - m_min)];
            if (slot < 0)
                slot = index;
        }
    } else {
        m_hash.reserve(qsizetype(keys.size()));
        for (const auto &[key, index] : keys) {
            if (!m_hash.contains(key))
                m_hash.insert(key, index);
        }
    }
}

qsizetype KeyTable::Find(std::int32_t key) const
{
    if (m_direct) {
        const std::int64_t at = std::int64_t(key) - m_min;
        return at < 0 || at >= std::int64_t(m_table.size()) ? -1 : m_table[size_t(at)];
    }
    return m_hash.value(key, -1);
}
