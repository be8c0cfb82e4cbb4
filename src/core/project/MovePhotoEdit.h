#pragma once

#include "core/project/ProjectEdit.h"

#include <QByteArray>
#include <cstdint>
#include <optional>

// Moves or turns one photo: its position entry is written again in place,
// with the key text and every part not given kept exactly as they were.
class MovePhotoEdit : public ProjectEdit
{
public:
    // index: the entry in PositionList. A part left out keeps its text.
    MovePhotoEdit(qsizetype index, std::optional<std::int32_t> x, std::optional<std::int32_t> y,
                  std::optional<std::int32_t> direction);

    void Apply(ProjectDocument &doc) override;
    void Revert(ProjectDocument &doc) override;
    ProjectChanges Changes() const override;
    QString Name() const override;

private:
    qsizetype m_index;
    std::optional<std::int32_t> m_x, m_y, m_direction;
    QByteArray m_old;
};
