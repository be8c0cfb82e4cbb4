#pragma once

#include <QByteArray>
#include <QString>

class ProjectDocument;

// The project data file (".tvk"): Windows-1252 text with CR LF line ends,
// four sections under a first line that names the program.
class DataFile
{
public:
    enum class WriteResult {
        Ok,
        CannotWrite, // the file could not be created, written or put in place
    };
    enum class ReadResult {
        Ok,
        CannotOpen,
        NotAProject, // none of the four section headers: some other file
    };

    // The complete file contents for doc.
    static QByteArray Serialize(const ProjectDocument &doc);

    // Writes through a temporary file in the same folder that replaces the
    // old file only once it is complete, so a failed save never destroys the
    // previous version. On failure *reason (when given) says why.
    static WriteResult Write(const ProjectDocument &doc, const QString &fileName, QString *reason = nullptr);

    // Fills doc (which the caller has reset) from the file's bytes. A bad
    // number under "00002=" or "00003=" throws TolvekError; the fields read
    // before it keep their new values and the lists stay empty. A line
    // longer than MaxLineBytes throws TolvekError before anything changes
    // (fileName, when given, names the file in the message). False, with
    // doc untouched, when the contents hold none of the four section headers.
    static bool Parse(ProjectDocument &doc, QByteArray contents, const QString &fileName = QString());

    // Reads and parses the file; CannotOpen and NotAProject leave doc
    // untouched. A read error after opening, and a file larger than
    // MaxFileBytes, throw TolvekError. For CannotOpen, *problem (when
    // given) says why: no such file, a folder, a device, a pipe, no
    // permission (see InputFile; a pipe is never waited on).
    static ReadResult Read(ProjectDocument &doc, const QString &fileName, QString *problem = nullptr);

    // No genuine project comes near these; a file that does would only take
    // the program's memory and time (a text of megabytes in a label or a
    // message box does not come back).
    static constexpr qsizetype MaxLineBytes = 1024 * 1024;
    static constexpr qint64 MaxFileBytes = 256 * 1024 * 1024;

    // Notes line encoding: CR becomes 0x9D, LF is left out, and back. The
    // project holds notes encoded, as the file does; they are decoded only
    // to be shown.
    static QByteArray EncodeNotes(const QByteArray &entry);
    static QByteArray DecodeNotes(const QByteArray &line);

    static QByteArray FirstLine();
};
