#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <cstdint>
#include <utility>
#include <vector>

// Where each photo number first occurs in one of the project's lists, read
// as the look-ups read keys: the text before the first "=" as an integer.
// Photo numbers are nearly always a compact range, so they index a plain
// table; scattered ones go to a hash. Made in one pass over the list.
class KeyTable
{
public:
    enum class BadKeys {
        Stop, // the table ends before the first entry whose key is no integer
        Skip, // such entries are passed over
    };

    void Build(const QList<QByteArray> &entries, BadKeys bad);

    // The index of the first entry (within the table) with key; -1 when none.
    qsizetype Find(std::int32_t key) const;

    // With BadKeys::Stop: the index of the first entry whose key is no
    // integer, or the list's size when there is none.
    qsizetype FirstBad() const { return m_firstBad; }

    // The key of one entry without copying it; false when it is no integer.
    static bool EntryKey(const QByteArray &entry, std::int32_t &key);

private:
    qsizetype m_firstBad = 0;
    bool m_direct = true;
    std::int64_t m_min = 0;
    std::vector<qsizetype> m_table;
    QHash<std::int32_t, qsizetype> m_hash;
    std::vector<std::pair<std::int32_t, qsizetype>> m_keys; // working space, kept for the next build
};
