#pragma once

#include <QObject>

class ProjectSession;
class QAction;

// "&Ongedaan maken" and "Opnie&uw" of the menu "Be&werken": each names the
// step it takes back or does again ("Ongedaan maken: foto verplaatsen") and
// is enabled only when there is one. They act through the session, so the
// main window follows them as it follows every change.
class UndoActions : public QObject
{
    Q_OBJECT
public:
    explicit UndoActions(ProjectSession &session, QObject *parent = nullptr);

    QAction *Undo() const { return m_undo; }
    QAction *Redo() const { return m_redo; }

    static QString UndoCaption(const QString &step);
    static QString RedoCaption(const QString &step);

private:
    void Update();

    ProjectSession &m_session;
    QAction *m_undo = nullptr;
    QAction *m_redo = nullptr;
};
