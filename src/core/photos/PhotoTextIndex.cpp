#include "core/photos/PhotoTextIndex.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// A word looked for by its rarest byte in the index: the byte the library's
// vectorised memchr jumps to, the rest compared where it lands. Words are
// short and photos' texts are many: this beats searchers with skip tables.
class WordSearch
{
public:
    WordSearch(const std::string &word, const std::array<qint64, 256> &counts) : m_word(word)
    {
        for (size_t i = 1; i < word.size(); ++i)
            if (counts[static_cast<unsigned char>(word[i])] < counts[static_cast<unsigned char>(word[m_anchor])])
                m_anchor = i;
    }

    // The first place of the word in [from, to), or to.
    const char *In(const char *from, const char *to) const
    {
        const size_t n = m_word.size();
        const char anchor = m_word[m_anchor];
        size_t at = 0; // where the word may begin, from from
        const size_t length = size_t(to - from);
        while (at + n <= length) {
            // The anchor byte of a word beginning in [at, length - n].
            const char *scan = from + at + m_anchor;
            const void *hit = std::memchr(scan, anchor, length - n - at + 1);
            if (!hit)
                return to;
            const char *start = static_cast<const char *>(hit) - m_anchor;
            if (std::memcmp(start, m_word.data(), n) == 0)
                return start;
            at = size_t(start - from) + 1;
        }
        return to;
    }

private:
    std::string m_word;
    size_t m_anchor = 0;
};

} // namespace

void PhotoTextIndex::Clear()
{
    m_counts.fill(0);
    m_text.clear();
    m_text.shrink_to_fit();
    m_starts.clear();
    m_starts.shrink_to_fit();
}

void PhotoTextIndex::Append(QByteArrayView name, QByteArrayView notes)
{
    if (m_starts.empty())
        m_starts.push_back(0);
    const size_t from = m_text.size();
    PhotoTextFilter::AppendFolded(m_text, name);
    // A blank between them, so that no word spans name and notes; a line
    // end after them, which no word holds either.
    m_text.push_back(' ');
    PhotoTextFilter::AppendFolded(m_text, notes);
    m_text.push_back('\n');
    // Offsets are 32 bits: beyond that the index stops growing (and
    // Find reports no more photos), which takes 4 GB of notes.
    if (m_text.size() > std::numeric_limits<std::uint32_t>::max()) {
        m_text.resize(m_starts.back());
        return;
    }
    m_starts.push_back(std::uint32_t(m_text.size()));
    for (size_t i = from; i < m_text.size(); ++i)
        ++m_counts[static_cast<unsigned char>(m_text[i])];
}

std::vector<qsizetype> PhotoTextIndex::Find(const PhotoTextFilter &filter) const
{
    std::vector<qsizetype> found;
    const std::vector<std::string> &words = filter.Words();
    if (m_starts.size() < 2)
        return found;
    const qsizetype count = Count();
    if (words.empty()) {
        found.resize(size_t(count));
        for (qsizetype i = 0; i < count; ++i)
            found[size_t(i)] = i;
        return found;
    }
    // The longest word is the rarest, as a rule: scan for it, then check
    // the others in the photos where it is.
    const auto longest = std::max_element(
        words.begin(), words.end(), [](const std::string &a, const std::string &b) { return a.size() < b.size(); });
    const WordSearch first(*longest, m_counts);
    std::vector<WordSearch> others;
    for (auto w = words.begin(); w != words.end(); ++w)
        if (w != longest)
            others.emplace_back(*w, m_counts);
    const char *text = m_text.data();
    const char *end = text + m_starts.back();
    const char *at = text;
    qsizetype photo = 0;
    while (at < end) {
        const char *hit = first.In(at, end);
        if (hit == end)
            break;
        // The photo holding the hit: the scan restarts at a photo's start,
        // and a hit is mostly in that very photo.
        const std::uint32_t offset = std::uint32_t(hit - text);
        while (m_starts[size_t(photo) + 1] <= offset)
            ++photo;
        const char *begin = text + m_starts[size_t(photo)];
        const char *stop = text + m_starts[size_t(photo) + 1];
        bool all = true;
        for (const WordSearch &w : others)
            if (w.In(begin, stop) == stop) {
                all = false;
                break;
            }
        if (all)
            found.push_back(photo);
        at = stop;
        ++photo;
    }
    return found;
}
