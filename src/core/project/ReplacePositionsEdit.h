#pragma once

#include "core/project/ProjectEdit.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Puts a new position list in place of the old one: the change of all
// positions at once (PositionChange works out the new list). When that
// change stopped at an entry that is not an integer, the entries before it
// are changed all the same, but the project is not marked modified and the
// map is not drawn again (the error is reported instead).
class ReplacePositionsEdit : public ProjectEdit
{
public:
    // name: what undo calls it, when it is not the change of all positions
    // (directions taken from the photos' cameras, say).
    ReplacePositionsEdit(const QList<QByteArray> &positions, bool complete, const QString &name = QString());

    void Apply(ProjectDocument &doc) override;
    void Revert(ProjectDocument &doc) override;
    bool Modifies() const override { return m_complete; }
    ProjectChanges Changes() const override;
    QString Name() const override;

private:
    QList<QByteArray> m_positions;
    bool m_complete;
    QString m_name;
    QList<QByteArray> m_old;
};
