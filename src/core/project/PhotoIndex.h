#pragma once

#include <QByteArray>
#include <QList>

#include "core/project/KeyTable.h"
#include "core/project/PhotoLookup.h"
#include <cstdint>
#include <optional>
#include <vector>

class ProjectDocument;

// Answers a map click's questions (which photo is under the point, where its
// name and notes entries are) without walking the project's lists, which
// can hold a hundred thousand photos. It is made again at each redraw of
// the map, for the lists that changed. It keeps shallow copies of the lists it was made from: any change to
// a list makes the project's list detach from them, so IsCurrent tells
// reliably whether the answers still hold. Where a linear search could run
// into an entry that is not an integer (and report it), the index gives no
// answer, so that the caller searches the list as before.
class PhotoIndex
{
public:
    void Build(const ProjectDocument &doc);
    void Clear();

    // True when the lists and the triangle size are those it was made from.
    bool IsCurrent(const ProjectDocument &doc) const;

    // As PhotoLookup::HitIndex, FindByKey and FindByKeySkippingBad on the
    // lists it was made from; nothing when only the list search can answer.
    std::optional<qsizetype> HitIndex(std::int32_t x, std::int32_t y) const;
    std::optional<qsizetype> HitIndex(const PhotoLookup::Area &area) const;
    std::optional<qsizetype> NameIndex(std::int32_t key) const;
    qsizetype NotesIndex(std::int32_t key) const;

    // The name list's keys, up to the first that is no integer.
    const KeyTable &NameKeys() const { return m_nameKeys; }

private:
    void BuildPositions(const ProjectDocument &doc);

    bool m_built = false;
    QList<QByteArray> m_positions, m_names, m_notes;
    std::int32_t m_triangleSize = 0;

    // Positions in a grid of square cells, each cell's entries in list order.
    bool m_positionsOk = false;
    std::vector<std::int32_t> m_x, m_y;
    std::int64_t m_minX = 0, m_minY = 0, m_cell = 1, m_columns = 0, m_rows = 0;
    std::vector<std::int32_t> m_cellStart; // m_columns * m_rows + 1 offsets into m_cellEntries
    std::vector<std::int32_t> m_cellEntries;
    std::vector<std::int32_t> m_cellOf, m_fill; // working space, kept for the next build

    KeyTable m_nameKeys;  // up to the first key that is no integer
    KeyTable m_notesKeys; // such keys skipped
};
