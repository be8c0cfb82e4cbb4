#include "project/DataFile.h"

#include "platform/SafeFileWriter.h"
#include "project/ProjectDocument.h"
#include "support/ProgramTexts.h"
#include "support/TextRoutines.h"
#include "support/TolvekError.h"

#include <QFile>

#include <vector>

namespace {

const char kCrLf[] = "\r\n";
const QByteArray kGeneralHeader = QByteArrayLiteral("[Algemene gegevens]");
const QByteArray kPositionHeader = QByteArrayLiteral("[Fotopositie]");
const QByteArray kNameHeader = QByteArrayLiteral("[Fotonaam]");
const QByteArray kNotesHeader = QByteArrayLiteral("[Foto-aantekeningen]");

void line(QByteArray &out, const QByteArray &text)
{
    out += text;
    out += kCrLf;
}

// Lines as views into the file's bytes; CR LF and bare LF both end a line.
std::vector<QByteArrayView> splitLines(const QByteArray &contents)
{
    std::vector<QByteArrayView> lines;
    const char *data = contents.constData();
    const qsizetype n = contents.size();
    qsizetype start = 0;
    while (start < n) {
        const void *hit = memchr(data + start, '\n', static_cast<size_t>(n - start));
        qsizetype end = hit ? static_cast<const char *>(hit) - data : n;
        qsizetype next = hit ? end + 1 : n;
        qsizetype len = end - start;
        if (hit && len > 0 && data[end - 1] == '\r')
            --len;
        lines.emplace_back(data + start, len);
        start = next;
    }
    return lines;
}

// Index of the first line after the first occurrence of header, or -1.
qsizetype sectionStart(const std::vector<QByteArrayView> &lines, const QByteArray &header)
{
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == header)
            return static_cast<qsizetype>(i) + 1;
    return -1;
}

void readList(const std::vector<QByteArrayView> &lines, const QByteArray &header, QList<QByteArray> &list, bool notes)
{
    const qsizetype start = sectionStart(lines, header);
    if (start < 0)
        return;
    for (size_t i = static_cast<size_t>(start); i < lines.size(); ++i) {
        const QByteArrayView l = lines[i];
        if (l.startsWith('['))
            break;
        if (l.isEmpty())
            continue;
        list.append(notes ? DataFile::DecodeNotes(l.toByteArray()) : l.toByteArray());
    }
}

} // namespace

QByteArray DataFile::FirstLine()
{
    return QByteArrayLiteral("[Databestand voor ") + ProgramTexts::AppTitle().toLatin1() + ']';
}

QByteArray DataFile::EncodeNotes(const QByteArray &entry)
{
    QByteArray out;
    out.reserve(entry.size());
    for (const char c : entry) {
        if (c == '\r')
            out += static_cast<char>(0x9D);
        else if (c != '\n')
            out += c;
    }
    return out;
}

QByteArray DataFile::DecodeNotes(const QByteArray &line)
{
    if (!line.contains(static_cast<char>(0x9D)))
        return line;
    QByteArray out;
    out.reserve(line.size() + 16);
    for (const char c : line) {
        if (c == static_cast<char>(0x9D))
            out += kCrLf;
        else
            out += c;
    }
    return out;
}

QByteArray DataFile::Serialize(const ProjectDocument &doc)
{
    qsizetype estimate = 512;
    for (const auto *list : {&doc.PositionList, &doc.NameList, &doc.NotesList})
        for (const QByteArray &e : *list)
            estimate += e.size() + 2;
    QByteArray out;
    out.reserve(estimate);

    line(out, FirstLine());
    line(out, {});
    line(out, kGeneralHeader);
    line(out, "00000=" + doc.FormatTag);
    line(out, "00001=" + doc.MapFileName);
    line(out, "00002=" + QByteArray::number(doc.TriangleSize));
    line(out, "00003=" + QByteArray::number(doc.TriangleColour));
    line(out, "00004=" + doc.LogoFileName);
    line(out, "00005=" + doc.WebAddress);
    line(out, "00006=" + doc.Organisation);
    line(out, "00007=" + doc.Description1);
    line(out, "00008=" + doc.Description2);
    line(out, "00009=" + doc.Description3);
    line(out, "00010=" + doc.UserHelpText);
    line(out, {});
    line(out, kPositionHeader);
    for (const QByteArray &e : doc.PositionList)
        line(out, e);
    line(out, {});
    line(out, kNameHeader);
    for (const QByteArray &e : doc.NameList)
        line(out, e);
    line(out, {});
    line(out, kNotesHeader);
    for (const QByteArray &e : doc.NotesList)
        line(out, EncodeNotes(e));
    line(out, {});
    return out;
}

DataFile::WriteResult DataFile::Write(const ProjectDocument &doc, const QString &fileName, QString *reason)
{
    return SafeFileWriter::Write(fileName, Serialize(doc), reason) ? WriteResult::Ok : WriteResult::CannotWrite;
}

void DataFile::Parse(ProjectDocument &doc, const QByteArray &contents, const QString &fileName)
{
    const std::vector<QByteArrayView> lines = splitLines(contents);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].size() > MaxLineBytes) {
            const QString where = fileName.isEmpty() ? QStringLiteral("Het databestand")
                                                     : QStringLiteral("Het databestand \"%1\"").arg(fileName);
            throw TolvekError(QStringLiteral("%1 kan niet worden geopend: regel %2 is langer dan %3 tekens.")
                                  .arg(where)
                                  .arg(i + 1)
                                  .arg(MaxLineBytes));
        }
    }

    const qsizetype general = sectionStart(lines, kGeneralHeader);
    if (general >= 0) {
        for (size_t i = static_cast<size_t>(general); i < lines.size(); ++i) {
            const QByteArrayView l = lines[i];
            if (l.size() >= 6) {
                const QByteArrayView key = l.first(6);
                const QByteArray value = l.sliced(6).toByteArray();
                if (key == "00001=")
                    doc.MapFileName = value;
                else if (key == "00002=")
                    doc.TriangleSize = TextRoutines::StrToInt(value);
                else if (key == "00003=")
                    doc.TriangleColour = TextRoutines::StrToInt(value);
                else if (key == "00004=")
                    doc.LogoFileName = value;
                else if (key == "00005=")
                    doc.WebAddress = value;
                else if (key == "00006=")
                    doc.Organisation = value;
                else if (key == "00007=")
                    doc.Description1 = value;
                else if (key == "00008=")
                    doc.Description2 = value;
                else if (key == "00009=")
                    doc.Description3 = value;
                else if (key == "00010=")
                    doc.UserHelpText = value;
            }
            if (l.startsWith('['))
                break;
        }
    }

    readList(lines, kPositionHeader, doc.PositionList, false);
    readList(lines, kNameHeader, doc.NameList, false);
    readList(lines, kNotesHeader, doc.NotesList, true);
}

DataFile::ReadResult DataFile::Read(ProjectDocument &doc, const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return ReadResult::CannotOpen;
    if (file.size() > MaxFileBytes) {
        throw TolvekError(QStringLiteral("Het databestand \"%1\" kan niet worden geopend: het is groter dan %2 MB.")
                              .arg(fileName)
                              .arg(MaxFileBytes / (1024 * 1024)));
    }
    const QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw TolvekError(QStringLiteral("Fout bij het lezen van \"%1\": %2").arg(fileName, file.errorString()));
    Parse(doc, contents, fileName);
    return ReadResult::Ok;
}
