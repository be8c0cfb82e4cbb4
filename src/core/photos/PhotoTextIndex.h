#pragma once

#include "core/photos/PhotoTextFilter.h"

#include <QByteArrayView>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Every photo's file name and notes folded once, as the filter compares
// them, in one buffer: a word typed in the photo list's filter is then one
// fast scan of that buffer instead of folding a hundred thousand texts
// again at every key. Made when the filter is first used, and again after
// the photo lists change.
class PhotoTextIndex
{
public:
    void Clear();
    bool IsEmpty() const { return m_starts.empty(); }

    // Adds the next photo (in position-list order).
    void Append(QByteArrayView name, QByteArrayView notes);
    qsizetype Count() const { return m_starts.empty() ? 0 : qsizetype(m_starts.size()) - 1; }

    // The photos whose name or notes hold every word of filter, in order.
    std::vector<qsizetype> Find(const PhotoTextFilter &filter) const;

private:
    std::string m_text;                  // photo after photo, each ending in '\n'
    std::vector<std::uint32_t> m_starts; // where each photo begins; one more at the end
    std::array<qint64, 256> m_counts{};  // how often each byte occurs: words are found by their rarest
};
