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
    };

    // The complete file contents for doc.
    static QByteArray Serialize(const ProjectDocument &doc);

    // Writes through a temporary file in the same folder that replaces the
    // old file only once it is complete, so a failed save never destroys the
    // previous version. On failure *reason (when given) says why.
    static WriteResult Write(const ProjectDocument &doc, const QString &fileName, QString *reason = nullptr);

    // Fills doc (which the caller has reset) from the file's bytes. A bad
    // number under "00002=" or "00003=" throws TolvekError; the fields read
    // before it keep their new values and the lists stay empty.
    static void Parse(ProjectDocument &doc, const QByteArray &contents);

    // Reads and parses the file; CannotOpen leaves doc untouched. A read
    // error after opening throws TolvekError.
    static ReadResult Read(ProjectDocument &doc, const QString &fileName);

    // Notes line encoding: CR becomes 0x9D, LF is left out, and back.
    static QByteArray EncodeNotes(const QByteArray &entry);
    static QByteArray DecodeNotes(const QByteArray &line);

    static QByteArray FirstLine();
};
