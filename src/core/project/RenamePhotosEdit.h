#pragma once

#include "core/project/ProjectEdit.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// Gives photos other file names (mending a set whose files moved): each
// named name entry gets a new value after its key, which stays as written.
// Notes and positions are not touched. The replaced entries are kept, so
// undoing gives back the exact bytes.
class RenamePhotosEdit : public ProjectEdit
{
public:
    struct Rename
    {
        qsizetype nameIndex = -1;
        QByteArray fileName; // as it will be stored
    };

    // Entries out of range are left alone. mapFileName, when given, is the
    // map's new name: it moved with the photos.
    RenamePhotosEdit(const ProjectDocument &doc, const QList<Rename> &renames,
                     const std::optional<QByteArray> &mapFileName = std::nullopt,
                     const QString &name = QStringLiteral("ontbrekende foto's zoeken"));

    void Apply(ProjectDocument &doc) override;
    void Revert(ProjectDocument &doc) override;
    ProjectChanges Changes() const override;
    QString Name() const override;

    qsizetype Count() const { return m_changes.size() + (m_map ? 1 : 0); }

private:
    struct Change
    {
        qsizetype index;
        QByteArray before;
        QByteArray after;
    };
    QList<Change> m_changes;
    std::optional<std::pair<QByteArray, QByteArray>> m_map; // before, after
    QString m_name;
};
