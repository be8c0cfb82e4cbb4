#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file's contents all at once: the bytes go to a new file in the
// same folder, are flushed to the disk, and only then take the old file's
// place. A failed or interrupted save leaves the previous file as it was.
// (QSaveFile was not enough: it reports success for a file cut short by a
// full disk or a file-size limit.)
class SafeFileWriter
{
public:
    // True on success; on failure *reason (when given) says why.
    static bool Write(const QString &fileName, const QByteArray &bytes, QString *reason = nullptr);
};
