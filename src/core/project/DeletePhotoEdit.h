#pragma once

#include "core/project/ProjectEdit.h"

#include <QByteArray>
#include <array>

// Deletes a photo as the delete-photo dialog does: in each of the three
// lists the first entry whose key text is the given one, character for
// character. Only the project's reference goes; the photo file stays.
class DeletePhotoEdit : public ProjectEdit
{
public:
    explicit DeletePhotoEdit(const QByteArray &keyText);

    void Apply(ProjectDocument &doc) override;
    void Revert(ProjectDocument &doc) override;
    ProjectChanges Changes() const override;
    QString Name() const override;

private:
    struct Removed
    {
        qsizetype index = -1; // -1: the list had no such entry
        QByteArray entry;
    };
    QByteArray m_keyText;
    std::array<Removed, 3> m_removed; // positions, names, notes
};
