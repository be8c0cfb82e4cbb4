#pragma once

#include "core/platform/FileStamp.h"
#include "core/project/DataFile.h"
#include "core/project/ProjectEdit.h"
#include "core/project/ProjectLock.h"

#include <QObject>
#include <QUndoStack>
#include <memory>

class ProjectDocument;

// The one path by which the project changes. Dialogs and commands read the
// document here and hand every change to Perform as a ProjectEdit; opening,
// saving and starting anew go through here too. Each change ends in one
// signal, Changed, saying what followed, so the main window connects once
// and redraws, updates Save and the organisation. The main window owns the
// document; the session works on it.
//
// Every edit that counts as a change becomes one step on the undo stack,
// and Modified follows the stack: undoing back to what was last saved (or
// opened) makes the project unmodified again. New and open start a fresh
// stack; a save marks the stack clean where it stands.
class ProjectSession : public QObject
{
    Q_OBJECT
public:
    explicit ProjectSession(ProjectDocument &document, QObject *parent = nullptr);

    const ProjectDocument &Document() const { return m_document; }

    // Carries out an edit: applies it, marks the project modified when the
    // edit counts as a change (and puts it on the undo stack), and tells what
    // followed. An error thrown while applying (TolvekError) leaves the
    // document as the edit found it and tells nothing.
    void Perform(std::unique_ptr<ProjectEdit> edit);

    // Takes back the last step, or does it again; Modified follows the
    // stack's clean state, and Changed tells what followed.
    bool CanUndo() const { return m_undo.canUndo(); }
    bool CanRedo() const { return m_undo.canRedo(); }
    void Undo();
    void Redo();
    // Takes back the last step for good: it cannot be redone (an edit made
    // for a save that then failed, whose files are gone again).
    void Withdraw();

    // The steps, for the menu items that name them. Undo and redo go
    // through Undo() and Redo(), never through the stack itself.
    const QUndoStack &UndoStack() const { return m_undo; }

    // Empties the project and makes it untitled.
    void Reset();

    // Reads a data file into the project (which the caller has reset). On
    // success the project takes the file's name and is not modified. A file
    // that cannot be opened leaves the project as it was; an error while
    // reading (TolvekError) ends the reading where it was. Opened read-only
    // (another program has it open), the project takes no lock and Save
    // asks for a new name.
    DataFile::ReadResult Load(const QString &fileName, bool readOnly = false);

    // Reads a recovery copy into the (reset) project as the project
    // originalName, with its unsaved changes: modified, so that Save writes
    // it where it belongs. onDisk is how that file was when the lost run
    // last read or saved it; readOnly as for Load.
    DataFile::ReadResult Recover(const QString &copyFileName, const QString &originalName, const FileStamp &onDisk,
                                 bool readOnly = false);

    // Writes the project; on success it takes that name and is no longer
    // modified. On failure *reason (when given) says why.
    DataFile::WriteResult Save(const QString &fileName, QString *reason = nullptr);

    // Counts the project as saved where it stands, without writing it: the
    // undo stack's clean state moves here. (Tests end their windows so,
    // without the save question.)
    void MarkClean();

    // Opened read-only: Save must ask for a new name.
    bool ReadOnly() const { return m_readOnly; }

    // The project's file as it was when it was last read or saved here
    // (empty for an untitled project).
    const FileStamp &DiskStamp() const { return m_diskStamp; }
    // Whether the project's file was changed by someone else since it was
    // last read or saved here. now gets the file's present stamp when it
    // was taken.
    FileStamp::Comparison CheckDisk(FileStamp *now = nullptr);

    // Makes the project's folder the current folder, against which the
    // project's relative file names resolve. A folder that is gone leaves
    // the current one.
    void EnterProjectFolder() const;

    // Enters the project's folder when it goes out of scope, however the
    // scope ends: a file dialog may have changed the current folder.
    class EnterFolderAfterwards
    {
    public:
        explicit EnterFolderAfterwards(const ProjectSession &session) : m_session(session) {}
        ~EnterFolderAfterwards() { m_session.EnterProjectFolder(); }
        EnterFolderAfterwards(const EnterFolderAfterwards &) = delete;
        EnterFolderAfterwards &operator=(const EnterFolderAfterwards &) = delete;

    private:
        const ProjectSession &m_session;
    };

signals:
    void Changed(ProjectChanges changes);

private:
    void FollowStack(ProjectChanges changes);

    // The project now has this file (or none): its lock follows.
    void Settle(const QString &fileName, bool readOnly, const FileStamp &onDisk);

    ProjectDocument &m_document;
    QUndoStack m_undo;
    FileStamp m_diskStamp;
    ProjectLock m_lock;
    bool m_readOnly = false;
};
