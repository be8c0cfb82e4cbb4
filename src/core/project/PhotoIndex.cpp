#include "core/project/PhotoIndex.h"

#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// x and y as the hit test reads them: after the "=", up to the first and
// the second ",".
bool EntryPoint(const QByteArray &entry, std::int32_t &x, std::int32_t &y)
{
    const PhotoEntry::PositionViews t = PhotoEntry::SplitPositionView(entry);
    return PhotoEntry::TryInt(t.x, x) && PhotoEntry::TryInt(t.y, y);
}

} // namespace

void PhotoIndex::Clear()
{
    *this = PhotoIndex();
}

bool PhotoIndex::IsCurrent(const ProjectDocument &doc) const
{
    auto same = [](const QList<QByteArray> &a, const QList<QByteArray> &b) {
        return a.size() == b.size() && a.constData() == b.constData();
    };
    return m_built && m_triangleSize == doc.TriangleSize && same(m_positions, doc.PositionList)
        && same(m_names, doc.NameList) && same(m_notes, doc.NotesList);
}

void PhotoIndex::Build(const ProjectDocument &doc)
{
    // Only what changed since the last build is made again: after a photo
    // was moved the names and notes are as they were. A list that has not
    // been touched still shares its data with the copy kept here.
    auto same = [](const QList<QByteArray> &a, const QList<QByteArray> &b) {
        return a.size() == b.size() && a.constData() == b.constData();
    };
    const bool positionsSame = m_built && m_triangleSize == doc.TriangleSize && same(m_positions, doc.PositionList);
    const bool namesSame = m_built && same(m_names, doc.NameList);
    const bool notesSame = m_built && same(m_notes, doc.NotesList);
    m_built = false;
    if (!positionsSame)
        BuildPositions(doc);
    if (!namesSame) {
        m_names = doc.NameList;
        m_nameKeys.Build(m_names, KeyTable::BadKeys::Stop);
    }
    if (!notesSame) {
        m_notes = doc.NotesList;
        m_notesKeys.Build(m_notes, KeyTable::BadKeys::Skip);
    }
    m_built = true;
}

void PhotoIndex::BuildPositions(const ProjectDocument &doc)
{
    // The vectors keep their room: a redraw after an edit needs the same again.
    m_minX = m_minY = 0;
    m_cell = 1;
    m_columns = m_rows = 0;
    m_cellStart.clear();
    m_cellEntries.clear();
    m_positions = doc.PositionList;
    m_triangleSize = doc.TriangleSize;

    const qsizetype n = m_positions.size();
    m_positionsOk = n < std::numeric_limits<std::int32_t>::max();
    m_x.resize(size_t(n));
    m_y.resize(size_t(n));
    for (qsizetype i = 0; i < n && m_positionsOk; ++i)
        m_positionsOk = EntryPoint(std::as_const(m_positions)[i], m_x[size_t(i)], m_y[size_t(i)]);
    if (m_positionsOk && n > 0) {
        const auto [minX, maxX] = std::minmax_element(m_x.begin(), m_x.end());
        const auto [minY, maxY] = std::minmax_element(m_y.begin(), m_y.end());
        m_minX = *minX;
        m_minY = *minY;
        // Cells as wide as the triangle size, so a hit square spans at most
        // three; coarser when the photos lie so far apart that the grid
        // would be much larger than the list.
        m_cell = std::max<std::int64_t>(1, m_triangleSize);
        const std::int64_t limit = std::max<std::int64_t>(4096, 4 * std::int64_t(n));
        for (;;) {
            m_columns = (std::int64_t(*maxX) - m_minX) / m_cell + 1;
            m_rows = (std::int64_t(*maxY) - m_minY) / m_cell + 1;
            if (m_columns * m_rows <= limit)
                break;
            m_cell *= 2;
        }
        m_cellStart.assign(size_t(m_columns * m_rows + 1), 0);
        std::vector<std::int32_t> &cellOf = m_cellOf;
        cellOf.resize(static_cast<size_t>(n));
        for (qsizetype i = 0; i < n; ++i) {
            const std::int64_t c =
                ((m_y[size_t(i)] - m_minY) / m_cell) * m_columns + (m_x[size_t(i)] - m_minX) / m_cell;
            cellOf[size_t(i)] = std::int32_t(c);
            ++m_cellStart[size_t(c) + 1];
        }
        for (size_t c = 1; c < m_cellStart.size(); ++c)
            m_cellStart[c] += m_cellStart[c - 1];
        m_cellEntries.resize(size_t(n));
        std::vector<std::int32_t> &fill = m_fill;
        fill.assign(m_cellStart.begin(), m_cellStart.end() - 1);
        for (qsizetype i = 0; i < n; ++i)
            m_cellEntries[size_t(fill[size_t(cellOf[size_t(i)])]++)] = std::int32_t(i);
    }
}

std::optional<qsizetype> PhotoIndex::HitIndex(std::int32_t x, std::int32_t y) const
{
    return HitIndex(PhotoLookup::Area::Around(x, y, m_triangleSize));
}

std::optional<qsizetype> PhotoIndex::HitIndex(const PhotoLookup::Area &area) const
{
    if (!m_built || !m_positionsOk)
        return std::nullopt;
    if (area.IsEmpty() || m_positions.isEmpty())
        return -1;
    const std::int64_t left = std::max<std::int64_t>(0, area.left - m_minX);
    const std::int64_t right = area.right - m_minX;
    const std::int64_t top = std::max<std::int64_t>(0, area.top - m_minY);
    const std::int64_t bottom = area.bottom - m_minY;
    if (right < 0 || bottom < 0)
        return -1;
    const std::int64_t c0 = left / m_cell, c1 = std::min(m_columns - 1, right / m_cell);
    const std::int64_t r0 = top / m_cell, r1 = std::min(m_rows - 1, bottom / m_cell);
    qsizetype best = -1;
    for (std::int64_t r = r0; r <= r1; ++r) {
        for (std::int64_t c = c0; c <= c1; ++c) {
            const size_t cell = size_t(r * m_columns + c);
            for (std::int32_t k = m_cellStart[cell]; k < m_cellStart[cell + 1]; ++k) {
                const std::int32_t i = m_cellEntries[size_t(k)];
                if (best >= 0 && i >= best)
                    break; // entries come in list order
                if (area.Contains(m_x[size_t(i)], m_y[size_t(i)])) {
                    best = i;
                    break;
                }
            }
        }
    }
    return best;
}

std::optional<qsizetype> PhotoIndex::NameIndex(std::int32_t key) const
{
    if (!m_built)
        return std::nullopt;
    const qsizetype index = m_nameKeys.Find(key);
    if (index >= 0)
        return index;
    if (m_nameKeys.FirstBad() < m_names.size())
        return std::nullopt; // the list search stops at the bad key
    return -1;
}

qsizetype PhotoIndex::NotesIndex(std::int32_t key) const
{
    return m_notesKeys.Find(key);
}
