#pragma once

#include "core/platform/FileStamp.h"
#include "core/platform/ProcessLock.h"

#include <QDateTime>
#include <QString>

#include <vector>

// A recovery copy of a project with unsaved changes, in the user's state
// folder: the data file's bytes (<id>.tvk), what the copy is of (<id>.info:
// the project's file name, the time of the last change, how the project's
// file was when last read or saved) and the lock of the program that keeps
// it (<id>.lock). A copy whose lock nobody holds was left by a run that did
// not end normally.
class RecoveryCopy
{
public:
    // The folder of the copies.
    static QString Folder();

    // The copies left by runs that ended abnormally, the latest change
    // first. Each holds its lock while the object lives, so that no other
    // running program offers it too; destroyed, it leaves the copy for a
    // later start.
    static std::vector<RecoveryCopy> FindAbandoned();

    QString Id() const { return m_id; }
    QString CopyFileName() const { return FileOf(m_id, QStringLiteral(".tvk")); }
    // The project the copy is of; the untitled name for a project never saved.
    QString ProjectFileName() const { return m_projectFileName; }
    bool IsUntitled() const;
    QDateTime LastChange() const { return m_lastChange; }
    // How the project's file was when the lost run last read or saved it.
    const FileStamp &DiskStamp() const { return m_diskStamp; }

    // Removes the copy for good.
    void Discard();

    // The file of a copy with this id and ending.
    static QString FileOf(const QString &id, const QString &ending);
    // The contents of an info file.
    static QByteArray InfoBytes(const QString &projectFileName, const QDateTime &lastChange, const FileStamp &onDisk);

private:
    friend class RecoveryKeeper;

    // Reads the info file; false when it cannot be read.
    bool ReadInfo();

    QString m_id;
    QString m_projectFileName;
    QDateTime m_lastChange;
    FileStamp m_diskStamp;
    ProcessLock m_lock;
};
