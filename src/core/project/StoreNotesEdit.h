#pragma once

#include "core/project/ProjectEdit.h"

#include <QByteArray>
#include <cstdint>

// Puts notes edited in a photo window back: the first notes entry with the
// photo's key is replaced in place, otherwise one is appended.
class StoreNotesEdit : public ProjectEdit
{
public:
    // text: the notes with CR LF line breaks, as the photo window gives them.
    StoreNotesEdit(std::int32_t key, const QByteArray &text);

    void Apply(ProjectDocument &doc) override;
    void Revert(ProjectDocument &doc) override;
    ProjectChanges Changes() const override;
    QString Name() const override;

private:
    std::int32_t m_key;
    QByteArray m_text;
    qsizetype m_index = -1;
    bool m_appended = false;
    QByteArray m_old;
};
