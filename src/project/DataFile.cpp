#include "project/DataFile.h"

#include "platform/SafeFileWriter.h"
#include "project/ProjectDocument.h"
#include "support/ProgramTexts.h"
#include "support/TextRoutines.h"
#include "support/TolvekError.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const char kCrLf[] = "\r\n";
const QByteArray kGeneralHeader = QByteArrayLiteral("[Algemene gegevens]");
const QByteArray kPositionHeader = QByteArrayLiteral("[Fotopositie]");
const QByteArray kNameHeader = QByteArrayLiteral("[Fotonaam]");
const QByteArray kNotesHeader = QByteArrayLiteral("[Foto-aantekeningen]");

void line(QByteArray &out, const QByteArray &text)
{
    out.append(text).append(kCrLf, 2);
}

// Walks lines as views into the file's bytes; CR LF and bare LF both end a
// line. (No table of all lines: a big project has hundreds of thousands.)
struct LineReader
{
    const char *p;
    const char *end;

    bool next(QByteArrayView &line)
    {
        if (p >= end)
            return false;
        const void *hit = std::memchr(p, '\n', static_cast<size_t>(end - p));
        const char *stop = hit ? static_cast<const char *>(hit) : end;
        qsizetype len = stop - p;
        if (hit && len > 0 && stop[-1] == '\r')
            --len;
        line = QByteArrayView(p, len);
        p = hit ? stop + 1 : end;
        return true;
    }
};

// Where each section's lines begin: just after the first line that equals
// its header; null for a section the file lacks.
struct Sections
{
    const char *general = nullptr;
    const char *positions = nullptr;
    const char *names = nullptr;
    const char *notes = nullptr;
};

// Also refuses, before anything is read into the project, a file with a
// line longer than DataFile::MaxLineBytes.
Sections findSections(const char *begin, const char *end, const QString &fileName)
{
    Sections s;
    LineReader reader{begin, end};
    QByteArrayView l;
    qsizetype number = 0;
    while (reader.next(l)) {
        ++number;
        if (l.size() > DataFile::MaxLineBytes) {
            const QString where = fileName.isEmpty() ? QStringLiteral("Het databestand")
                                                     : QStringLiteral("Het databestand \"%1\"").arg(fileName);
            throw TolvekError(QStringLiteral("%1 kan niet worden geopend: regel %2 is langer dan %3 tekens.")
                                  .arg(where)
                                  .arg(number)
                                  .arg(DataFile::MaxLineBytes));
        }
        if (!l.startsWith('['))
            continue;
        if (!s.general && l == kGeneralHeader)
            s.general = reader.p;
        else if (!s.positions && l == kPositionHeader)
            s.positions = reader.p;
        else if (!s.names && l == kNameHeader)
            s.names = reader.p;
        else if (!s.notes && l == kNotesHeader)
            s.notes = reader.p;
    }
    return s;
}

void readList(const char *start, const char *end, QList<QByteArray> &list, bool notes)
{
    if (!start)
        return;
    QByteArrayView l;
    qsizetype count = 0;
    for (LineReader counter{start, end}; counter.next(l) && !l.startsWith('[');)
        ++count;
    list.reserve(list.size() + count);
    LineReader reader{start, end};
    while (reader.next(l) && !l.startsWith('[')) {
        if (l.isEmpty())
            continue;
        if (notes && l.contains(static_cast<char>(0x9D)))
            list.append(DataFile::DecodeNotes(QByteArray::fromRawData(l.data(), l.size())));
        else
            list.append(l.toByteArray());
    }
}

// A notes entry as the file stores it (CR becomes 0x9D, LF is left out),
// written at d; returns the end. The spans between line breaks are copied whole.
char *encodeNotesInto(const QByteArray &entry, char *d)
{
    const char *p = entry.constData();
    const char *const end = p + entry.size();
    auto next = [end](const char *from, char c) {
        const void *hit = std::memchr(from, c, size_t(end - from));
        return hit ? static_cast<const char *>(hit) : end;
    };
    const char *cr = next(p, '\r');
    const char *lf = next(p, '\n');
    while (p < end) {
        const char *stop = std::min(cr, lf);
        d = std::copy(p, stop, d);
        if (stop == end)
            break;
        if (stop == cr) {
            *d++ = static_cast<char>(0x9D);
            cr = next(stop + 1, '\r');
        } else {
            lf = next(stop + 1, '\n');
        }
        p = stop + 1;
    }
    return d;
}

// The entries of a list, one a line, copied straight into place.
void putList(QByteArray &out, const QList<QByteArray> &list, bool notes)
{
    qsizetype need = 0;
    for (const QByteArray &e : list)
        need += e.size() + 2;
    const qsizetype at = out.size();
    out.resize(at + need);
    char *d = out.data() + at;
    for (const QByteArray &e : list) {
        d = notes ? encodeNotesInto(e, d) : std::copy(e.cbegin(), e.cend(), d);
        *d++ = '\r';
        *d++ = '\n';
    }
    out.resize(d - out.constData());
}


} // namespace

QByteArray DataFile::FirstLine()
{
    return QByteArrayLiteral("[Databestand voor ") + ProgramTexts::AppTitle().toLatin1() + ']';
}

// Both conversions write into a buffer of the final size: a project holds
// a hundred thousand notes, and byte-wise appends dominated saving and opening.
QByteArray DataFile::EncodeNotes(const QByteArray &entry)
{
    if (!entry.contains('\r') && !entry.contains('\n'))
        return entry;
    QByteArray out(entry.size(), Qt::Uninitialized);
    out.resize(encodeNotesInto(entry, out.data()) - out.constData());
    return out;
}

QByteArray DataFile::DecodeNotes(const QByteArray &line)
{
    const char marker = static_cast<char>(0x9D);
    const char *p = line.constData();
    const char *const end = p + line.size();
    const void *hit = std::memchr(p, marker, size_t(end - p));
    if (!hit)
        return line;
    QByteArray out;
    out.reserve(line.size() + 16);
    while (hit) {
        const char *at = static_cast<const char *>(hit);
        out.append(p, at - p).append("\r\n", 2);
        p = at + 1;
        hit = std::memchr(p, marker, size_t(end - p));
    }
    out.append(p, end - p);
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
    putList(out, doc.PositionList, false);
    line(out, {});
    line(out, kNameHeader);
    putList(out, doc.NameList, false);
    line(out, {});
    line(out, kNotesHeader);
    putList(out, doc.NotesList, true);
    line(out, {});
    return out;
}

DataFile::WriteResult DataFile::Write(const ProjectDocument &doc, const QString &fileName, QString *reason)
{
    return SafeFileWriter::Write(fileName, Serialize(doc), reason) ? WriteResult::Ok : WriteResult::CannotWrite;
}

void DataFile::Parse(ProjectDocument &doc, const QByteArray &contents, const QString &fileName)
{
    const char *const begin = contents.constData();
    const char *const end = begin + contents.size();
    const Sections sections = findSections(begin, end, fileName);

    if (sections.general) {
        LineReader reader{sections.general, end};
        QByteArrayView l;
        while (reader.next(l)) {
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

    readList(sections.positions, end, doc.PositionList, false);
    readList(sections.names, end, doc.NameList, false);
    readList(sections.notes, end, doc.NotesList, true);
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
