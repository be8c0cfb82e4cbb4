#include "core/project/MovePhotoEdit.h"

#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"

MovePhotoEdit::MovePhotoEdit(qsizetype index, std::optional<std::int32_t> x, std::optional<std::int32_t> y,
                             std::optional<std::int32_t> direction)
    : m_index(index),
      m_x(x),
      m_y(y),
      m_direction(direction)
{
}

void MovePhotoEdit::Apply(ProjectDocument &doc)
{
    m_old = doc.PositionList.at(m_index);
    const PhotoEntry::PositionViews old = PhotoEntry::SplitPositionView(m_old);
    auto part = [](const std::optional<std::int32_t> &value, QByteArrayView kept) {
        return value ? QByteArray::number(*value) : kept.toByteArray();
    };
    doc.PositionList[m_index] = PhotoEntry::ComposePosition(PhotoEntry::KeyView(m_old), part(m_x, old.x),
                                                            part(m_y, old.y), part(m_direction, old.direction));
}

void MovePhotoEdit::Revert(ProjectDocument &doc)
{
    doc.PositionList[m_index] = m_old;
}

ProjectChanges MovePhotoEdit::Changes() const
{
    return ProjectChange::State | ProjectChange::Map | ProjectChange::Photos;
}

QString MovePhotoEdit::Name() const
{
    return m_x || m_y ? QStringLiteral("foto verplaatsen") : QStringLiteral("foto draaien");
}
