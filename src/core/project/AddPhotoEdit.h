#pragma once

#include "core/project/ProjectEdit.h"

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <memory>

// Adds photos as the add-photo dialog makes one: each gets the next key, one
// entry at the end of each of the three lists, and the notes prompt as its
// notes. Several photos added at once are one edit.
class AddPhotoEdit : public ProjectEdit
{
public:
    struct Photo
    {
        std::int32_t x = 0;
        std::int32_t y = 0;
        std::int32_t direction = 0;
        QByteArray fileName; // as it will be stored
    };

    // Nothing when the five-digit keys run out before the last photo (the
    // key 99999 is in use). Throws TolvekError when a key of the position
    // list is not an integer.
    static std::unique_ptr<AddPhotoEdit> Make(const ProjectDocument &doc, const QList<Photo> &photos);

    // The key of the first photo added.
    std::int32_t FirstKey() const { return m_firstKey; }

    void Apply(ProjectDocument &doc) override;
    void Revert(ProjectDocument &doc) override;
    ProjectChanges Changes() const override;
    QString Name() const override;

private:
    AddPhotoEdit() = default;

    std::int32_t m_firstKey = 0;
    QList<QByteArray> m_positions, m_names, m_notes;
    // The lists' lengths before, where the new entries begin.
    qsizetype m_positionsAt = 0, m_namesAt = 0, m_notesAt = 0;
};
