#include "core/project/DataFile.h"

#include "core/base/ProgramTexts.h"
#include "core/base/TextRoutines.h"
#include "core/base/TolvekError.h"
#include "core/platform/InputFile.h"
#include "core/platform/SafeFileWriter.h"
#include "core/project/ProjectDocument.h"

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
// its header; null for a section the file lacks. With each, how many lines
// follow it before the next line that starts with "[" (room for its list).
struct Sections
{
    const char *general = nullptr;
    const char *positions = nullptr;
    const char *names = nullptr;
    const char *notes = nullptr;
    qsizetype positionLines = 0;
    qsizetype nameLines = 0;
    qsizetype notesLines = 0;
};

// Also refuses, before anything is read into the project, a file with a
// line longer than DataFile::MaxLineBytes.
Sections findSections(const char *begin, const char *end, const QString &fileName)
{
    Sections s;
    LineReader reader{begin, end};
    QByteArrayView l;
    qsizetype number = 0;
    qsizetype *counting = nullptr; // the line count of the list being passed
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
        if (!l.startsWith('[')) {
            if (counting)
                ++*counting;
            continue;
        }
        counting = nullptr;
        if (!s.general && l == kGeneralHeader) {
            s.general = reader.p;
        } else if (!s.positions && l == kPositionHeader) {
            s.positions = reader.p;
            counting = &s.positionLines;
        } else if (!s.names && l == kNameHeader) {
            s.names = reader.p;
            counting = &s.nameLines;
        } else if (!s.notes && l == kNotesHeader) {
            s.notes = reader.p;
            counting = &s.notesLines;
        }
    }
    return s;
}

// Reads a list's lines as entries. The entries share the file's buffer
// instead of each having a copy: a big project has hundreds of thousands of
// them, and an allocation each was most of the time of opening it. The byte
// after each entry (its line end) becomes the terminating zero every byte
// array has; the lines before it have been passed, and no two lists share
// a line.
void readList(QByteArray &contents, const char *start, qsizetype lines, QList<QByteArray> &list)
{
    if (!start)
        return;
    // Not data(): once shared, that would copy the buffer the lines lie in.
    char *const base = const_cast<char *>(contents.constData());
    const char *const end = base + contents.size();
    list.reserve(list.size() + lines);
    LineReader reader{start, end};
    QByteArrayView l;
    while (reader.next(l) && !l.startsWith('[')) {
        if (l.isEmpty())
            continue;
        char *const at = base + (l.data() - base);
        at[l.size()] = '\0';
        QByteArray::DataPointer shared = contents.data_ptr();
        shared.ptr = at;
        shared.size = l.size();
        list.append(QByteArray(std::move(shared)));
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

// The file's bytes as they are made. Saving hands them to the writer a
// piece at a time, so a big project is not held in memory a second time;
// without a writer they are all kept.
class Output
{
public:
    // Saving: pieces go to writer as they fill.
    explicit Output(SafeFileWriter *writer) : m_writer(writer) { m_buffer.resize(Piece); }
    // Kept whole, in a buffer made for the expected size.
    explicit Output(qsizetype expected) : m_writer(nullptr) { m_buffer.resize(expected); }

    // Room for n more bytes, at the returned place.
    char *Room(qsizetype n)
    {
        if (m_at + n > m_buffer.size()) {
            if (m_writer)
                Flush();
            if (m_at + n > m_buffer.size())
                m_buffer.resize(std::max(m_at + n, 2 * m_buffer.size()));
        }
        return m_buffer.data() + m_at;
    }
    void Done(const char *end) { m_at = end - m_buffer.constData(); }

    void Line(QByteArrayView text)
    {
        char *d = Room(text.size() + 2);
        d = std::copy(text.begin(), text.end(), d);
        *d++ = kCrLf[0];
        *d++ = kCrLf[1];
        Done(d);
    }

    // The entries of a list, one a line, copied straight into place. Notes
    // are held as the file has them; one that holds a CR or LF all the same
    // is encoded, so it cannot break the file's lines (an encoded note is
    // never longer than the entry).
    void List(const QList<QByteArray> &list, bool notes)
    {
        for (const QByteArray &e : list) {
            char *d = Room(e.size() + 2);
            d = notes ? encodeNotesInto(e, d) : std::copy(e.cbegin(), e.cend(), d);
            *d++ = kCrLf[0];
            *d++ = kCrLf[1];
            Done(d);
        }
    }

    bool Flush()
    {
        const bool ok = m_writer->Append(m_buffer.constData(), size_t(m_at));
        m_at = 0;
        return ok;
    }

    QByteArray Take()
    {
        m_buffer.resize(m_at);
        return std::move(m_buffer);
    }

private:
    static constexpr qsizetype Piece = 256 * 1024;
    SafeFileWriter *m_writer;
    QByteArray m_buffer;
    qsizetype m_at = 0;
};

void serialize(const ProjectDocument &doc, Output &out)
{
    out.Line(DataFile::FirstLine());
    out.Line({});
    out.Line(kGeneralHeader);
    out.Line("00000=" + doc.FormatTag);
    out.Line("00001=" + doc.MapFileName);
    out.Line("00002=" + QByteArray::number(doc.TriangleSize));
    out.Line("00003=" + QByteArray::number(doc.TriangleColour));
    out.Line("00004=" + doc.LogoFileName);
    out.Line("00005=" + doc.WebAddress);
    out.Line("00006=" + doc.Organisation);
    out.Line("00007=" + doc.Description1);
    out.Line("00008=" + doc.Description2);
    out.Line("00009=" + doc.Description3);
    out.Line("00010=" + doc.UserHelpText);
    out.Line({});
    out.Line(kPositionHeader);
    out.List(doc.PositionList, false);
    out.Line({});
    out.Line(kNameHeader);
    out.List(doc.NameList, false);
    out.Line({});
    out.Line(kNotesHeader);
    out.List(doc.NotesList, true);
    out.Line({});
}

qsizetype expectedSize(const ProjectDocument &doc)
{
    qsizetype size = 512;
    for (const auto *list : {&doc.PositionList, &doc.NameList, &doc.NotesList})
        for (const QByteArray &e : *list)
            size += e.size() + 2;
    return size;
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
    Output out(expectedSize(doc));
    serialize(doc, out);
    return out.Take();
}

DataFile::WriteResult DataFile::Write(const ProjectDocument &doc, const QString &fileName, QString *reason)
{
    SafeFileWriter writer(fileName);
    bool ok = writer.Open();
    if (ok) {
        Output out(&writer);
        serialize(doc, out);
        ok = out.Flush() && writer.Commit();
    }
    if (!ok && reason)
        *reason = writer.Reason();
    return ok ? WriteResult::Ok : WriteResult::CannotWrite;
}

bool DataFile::Parse(ProjectDocument &doc, QByteArray contents, const QString &fileName)
{
    contents.detach(); // the list entries will share it and have their ends written
    const char *const begin = contents.constData();
    const char *const end = begin + contents.size();
    const Sections sections = findSections(begin, end, fileName);
    // Opened as an empty project, any other file would be overwritten by
    // the next save.
    if (!sections.general && !sections.positions && !sections.names && !sections.notes)
        return false;

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

    readList(contents, sections.positions, sections.positionLines, doc.PositionList);
    readList(contents, sections.names, sections.nameLines, doc.NameList);
    readList(contents, sections.notes, sections.notesLines, doc.NotesList);
    return true;
}

DataFile::ReadResult DataFile::Read(ProjectDocument &doc, const QString &fileName, QString *problem)
{
    QFile file;
    if (!InputFile::Open(file, fileName, problem))
        return ReadResult::CannotOpen;
    if (file.size() > MaxFileBytes) {
        throw TolvekError(QStringLiteral("Het databestand \"%1\" kan niet worden geopend: het is groter dan %2 MB.")
                              .arg(fileName)
                              .arg(MaxFileBytes / (1024 * 1024)));
    }
    QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw TolvekError(QStringLiteral("Fout bij het lezen van \"%1\": %2").arg(fileName, file.errorString()));
    return Parse(doc, std::move(contents), fileName) ? ReadResult::Ok : ReadResult::NotAProject;
}
