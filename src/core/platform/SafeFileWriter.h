#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// Replaces a file's contents all at once: the bytes go to a new file in the
// same folder, are flushed to the disk, and only then take the old file's
// place. A failed or interrupted save leaves the previous file as it was.
// (QSaveFile was not enough: it reports success for a file cut short by a
// full disk or a file-size limit.)
//
// The bytes can be handed over in pieces, so that a big file need not be
// held in memory whole a second time.
class SafeFileWriter
{
public:
    explicit SafeFileWriter(const QString &fileName);
    // Without a successful Commit the temporary file is removed again.
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter &) = delete;
    SafeFileWriter &operator=(const SafeFileWriter &) = delete;

    // Creates the temporary file; false when the file may not or cannot be
    // replaced.
    bool Open();
    // False once anything failed; later calls then do nothing.
    bool Append(const char *data, std::size_t size);
    // Writes over bytes already appended, at offset from the start (a
    // header whose totals are known only at the end).
    bool Overwrite(std::int64_t offset, const char *data, std::size_t size);
    // Flushes the new file to the disk and puts it in the old one's place.
    bool Commit();
    // Why the last call failed, for the user.
    QString Reason() const { return m_reason; }

private:
    // offset < 0: at the end.
    bool WriteAt(std::int64_t offset, const char *data, std::size_t size);
    bool Fail(int error);
    bool Fail(const QString &reason);

    QString m_fileName;
    QByteArray m_finalName;
    QByteArray m_tempName;
    int m_fd = -1;
    bool m_failed = false;
    bool m_committed = false;
    QString m_reason;
};
