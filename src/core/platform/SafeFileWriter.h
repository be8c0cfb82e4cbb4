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
// The new file has no name while it is written (an unnamed temporary file),
// so a program killed in the middle leaves nothing behind; it gets a name
// only to be renamed over the old file. Where the file system cannot make
// unnamed files (FAT, network shares) a hidden file ".name.XXXXXX" is
// written instead; one that a killed save left there is removed by a later
// save of the same file once it is an hour old.
//
// The bytes can be handed over in pieces, so that a big file need not be
// held in memory whole a second time.
class SafeFileWriter
{
public:
    explicit SafeFileWriter(const QString &fileName);
    // Without a successful Commit the new file is dropped again.
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter &) = delete;
    SafeFileWriter &operator=(const SafeFileWriter &) = delete;

    // Creates the new file; false when the file may not or cannot be
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

    // Whether the last Open made an unnamed file (false: a hidden named one).
    bool WritesUnnamed() const { return m_unnamed; }

    // For tests: behave as on a file system that refuses unnamed files.
    static void SimulateNoUnnamedFiles(bool simulate);

    // A hidden temporary file of ours this old is left over from a save
    // that never finished.
    static constexpr int StaleSeconds = 3600;
    // True when name (without folder) is a hidden temporary file of ours
    // for the file targetName (without folder).
    static bool IsTemporaryName(const QString &name, const QString &targetName);

private:
    // offset < 0: at the end.
    bool WriteAt(std::int64_t offset, const char *data, std::size_t size);
    bool Fail(int error);
    bool Fail(const QString &reason);
    bool OpenNamed(const QByteArray &folder);
    // Names the unnamed file and renames it over the target.
    bool LinkUnnamed();
    void RemoveStaleTemporaries(const QString &folder, const QString &targetName) const;

    QString m_fileName;
    QByteArray m_finalName;
    QByteArray m_tempName; // a named temporary file while it exists
    int m_fd = -1;
    bool m_unnamed = false;
    bool m_failed = false;
    bool m_committed = false;
    QString m_reason;
};
