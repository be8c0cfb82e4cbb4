#include "core/platform/VersionResourceFile.h"

#include "core/platform/VersionInfoQuery.h"

#include <QFile>
#include <QFileInfo>
#include <QList>

namespace {

// A version resource never exceeds its 16-bit root length.
constexpr quint64 MaxResourceBytes = 0x10000;
// Headers, section tables and name tables larger than this are not genuine.
constexpr quint64 MaxTableBytes = 64 * 1024 * 1024;

// Reads whole pieces of a file at checked offsets.
class PieceReader
{
public:
    explicit PieceReader(QFile &file) : m_file(file), m_size(quint64(qMax<qint64>(file.size(), 0))) {}

    bool Read(quint64 offset, quint64 length, QByteArray &out)
    {
        out.clear();
        if (offset > m_size || length > m_size - offset || length > MaxTableBytes)
            return false;
        if (!m_file.seek(qint64(offset)))
            return false;
        out = m_file.read(qint64(length));
        return quint64(out.size()) == length;
    }

private:
    QFile &m_file;
    quint64 m_size;
};

// Fixed-size fields of a piece read from the file; out-of-range reads give 0
// (callers size their pieces so that this does not happen).
class Fields
{
public:
    Fields(const QByteArray &data, bool bigEndian) : m_data(data), m_big(bigEndian) {}

    quint64 Get(qsizetype at, int size) const
    {
        if (at < 0 || size > m_data.size() || at > m_data.size() - size)
            return 0;
        quint64 v = 0;
        for (int i = 0; i < size; ++i) {
            const quint64 byte = quint8(m_data[at + (m_big ? i : size - 1 - i)]);
            v = (v << 8) | byte;
        }
        return v;
    }
    quint16 U16(qsizetype at) const { return quint16(Get(at, 2)); }
    quint32 U32(qsizetype at) const { return quint32(Get(at, 4)); }
    quint64 U64(qsizetype at) const { return Get(at, 8); }

private:
    const QByteArray &m_data;
    bool m_big;
};

// ---- ELF: the section named VersionResourceFile::ElfSectionName ----

struct ElfSection
{
    quint32 name = 0;
    quint32 type = 0;
    quint64 offset = 0;
    quint64 size = 0;
    quint32 link = 0;
};

constexpr quint32 SHT_NOBITS = 8;

ElfSection ElfSectionAt(const Fields &f, qsizetype at, bool is64)
{
    ElfSection s;
    s.name = f.U32(at);
    s.type = f.U32(at + 4);
    if (is64) {
        s.offset = f.U64(at + 24);
        s.size = f.U64(at + 32);
        s.link = f.U32(at + 40);
    } else {
        s.offset = f.U32(at + 16);
        s.size = f.U32(at + 20);
        s.link = f.U32(at + 24);
    }
    return s;
}

QByteArray FromElf(PieceReader &reader)
{
    QByteArray ident;
    if (!reader.Read(0, 16, ident))
        return QByteArray();
    const int elfClass = ident[4];
    const int elfData = ident[5];
    if ((elfClass != 1 && elfClass != 2) || (elfData != 1 && elfData != 2))
        return QByteArray();
    const bool is64 = elfClass == 2;
    const bool big = elfData == 2;

    QByteArray header;
    if (!reader.Read(0, is64 ? 64 : 52, header))
        return QByteArray();
    const Fields h(header, big);
    const quint64 tableOffset = is64 ? h.U64(0x28) : h.U32(0x20);
    const quint16 entrySize = h.U16(is64 ? 0x3A : 0x2E);
    quint64 count = h.U16(is64 ? 0x3C : 0x30);
    quint32 namesIndex = h.U16(is64 ? 0x3E : 0x32);
    if (tableOffset == 0 || entrySize < (is64 ? 64 : 40))
        return QByteArray();

    // Section 0 holds the real count and name-table index when they do not
    // fit the header's 16-bit fields.
    QByteArray first;
    if (!reader.Read(tableOffset, entrySize, first))
        return QByteArray();
    const ElfSection zero = ElfSectionAt(Fields(first, big), 0, is64);
    if (count == 0)
        count = zero.size;
    if (namesIndex == 0xFFFF)
        namesIndex = zero.link;
    if (count == 0 || count > MaxTableBytes / entrySize || namesIndex >= count)
        return QByteArray();

    QByteArray table;
    if (!reader.Read(tableOffset, count * entrySize, table))
        return QByteArray();
    const Fields t(table, big);
    const ElfSection namesSection = ElfSectionAt(t, qsizetype(namesIndex) * entrySize, is64);
    QByteArray names;
    if (namesSection.type == SHT_NOBITS || !reader.Read(namesSection.offset, namesSection.size, names))
        return QByteArray();

    const QByteArray wanted(VersionResourceFile::ElfSectionName);
    for (quint64 i = 1; i < count; ++i) {
        const ElfSection s = ElfSectionAt(t, qsizetype(i) * entrySize, is64);
        if (s.type == SHT_NOBITS || s.name >= quint64(names.size()))
            continue;
        const qsizetype nameEnd = names.indexOf('\0', s.name);
        if (nameEnd < 0)
            continue;
        if (QByteArrayView(names).sliced(s.name, nameEnd - s.name) != wanted)
            continue;
        QByteArray data;
        if (reader.Read(s.offset, qMin(s.size, MaxResourceBytes), data))
            return data;
        return QByteArray();
    }
    return QByteArray();
}

// ---- PE: the resource directory, type RT_VERSION ----

struct PeSection
{
    quint32 virtualAddress = 0;
    quint32 virtualSize = 0;
    quint32 rawSize = 0;
    quint32 rawOffset = 0;
};

constexpr quint32 RT_VERSION = 16;
constexpr quint32 HighBit = 0x80000000u;

class PeImage
{
public:
    PeImage(PieceReader &reader, QList<PeSection> sections) : m_reader(reader), m_sections(std::move(sections)) {}

    // Reads length bytes at a relative virtual address; they must lie in
    // the file data of one section. With clip set, fewer bytes are accepted
    // when the section's file data ends earlier.
    bool ReadRva(quint64 rva, quint64 length, QByteArray &out, bool clip = false)
    {
        for (const PeSection &s : m_sections) {
            const quint64 span = s.virtualSize != 0 ? s.virtualSize : s.rawSize;
            if (rva < s.virtualAddress || rva - s.virtualAddress >= span)
                continue;
            const quint64 delta = rva - s.virtualAddress;
            if (delta >= s.rawSize)
                return false;
            const quint64 available = s.rawSize - delta;
            if (length > available) {
                if (!clip)
                    return false;
                length = available;
            }
            return m_reader.Read(quint64(s.rawOffset) + delta, length, out);
        }
        return false;
    }

    // One entry of the resource directory at dirRva: the first one, or the
    // first with the given numeric id. Gives the entry's offset field.
    bool DirectoryEntry(quint64 dirRva, bool anyEntry, quint32 id, quint32 &offsetToData)
    {
        QByteArray head;
        if (!ReadRva(dirRva, 16, head))
            return false;
        const Fields h(head, false);
        const quint32 named = h.U16(12);
        const quint32 ids = h.U16(14);
        const quint32 total = named + ids;
        if (total == 0)
            return false;
        QByteArray entries;
        const quint32 wanted = anyEntry ? 1 : total;
        if (!ReadRva(dirRva + 16, quint64(wanted) * 8, entries))
            return false;
        const Fields e(entries, false);
        for (quint32 i = 0; i < wanted; ++i) {
            const quint32 name = e.U32(qsizetype(i) * 8);
            if (anyEntry || (!(name & HighBit) && name == id)) {
                offsetToData = e.U32(qsizetype(i) * 8 + 4);
                return true;
            }
        }
        return false;
    }

private:
    PieceReader &m_reader;
    QList<PeSection> m_sections;
};

QByteArray FromPe(PieceReader &reader)
{
    QByteArray dos;
    if (!reader.Read(0, 64, dos))
        return QByteArray();
    const quint32 peOffset = Fields(dos, false).U32(0x3C);
    QByteArray coff;
    if (!reader.Read(peOffset, 24, coff) || !coff.startsWith(QByteArrayView("PE\0\0", 4)))
        return QByteArray();
    const Fields c(coff, false);
    const quint16 sectionCount = c.U16(6);
    const quint16 optionalSize = c.U16(20);

    QByteArray optional;
    if (!reader.Read(quint64(peOffset) + 24, optionalSize, optional))
        return QByteArray();
    const Fields o(optional, false);
    qsizetype countAt = 0;
    qsizetype directoriesAt = 0;
    switch (o.U16(0)) {
    case 0x10B: // PE32
        countAt = 92;
        directoriesAt = 96;
        break;
    case 0x20B: // PE32+
        countAt = 108;
        directoriesAt = 112;
        break;
    default:
        return QByteArray();
    }
    constexpr int ResourceDirectory = 2;
    if (optionalSize < directoriesAt + (ResourceDirectory + 1) * 8 || o.U32(countAt) <= ResourceDirectory)
        return QByteArray();
    const quint32 resourceRva = o.U32(directoriesAt + ResourceDirectory * 8);
    if (resourceRva == 0)
        return QByteArray();

    QByteArray table;
    if (!reader.Read(quint64(peOffset) + 24 + optionalSize, quint64(sectionCount) * 40, table))
        return QByteArray();
    const Fields t(table, false);
    QList<PeSection> sections;
    for (quint16 i = 0; i < sectionCount; ++i) {
        const qsizetype at = qsizetype(i) * 40;
        sections.append(PeSection{t.U32(at + 12), t.U32(at + 8), t.U32(at + 16), t.U32(at + 20)});
    }
    PeImage image(reader, sections);

    // Type, then name, then language; the first name and the first language.
    quint32 entry = 0;
    if (!image.DirectoryEntry(resourceRva, false, RT_VERSION, entry) || !(entry & HighBit))
        return QByteArray();
    if (!image.DirectoryEntry(quint64(resourceRva) + (entry & ~HighBit), true, 0, entry) || !(entry & HighBit))
        return QByteArray();
    if (!image.DirectoryEntry(quint64(resourceRva) + (entry & ~HighBit), true, 0, entry) || (entry & HighBit))
        return QByteArray();

    QByteArray dataEntry;
    if (!image.ReadRva(quint64(resourceRva) + entry, 16, dataEntry))
        return QByteArray();
    const Fields d(dataEntry, false);
    const quint32 dataRva = d.U32(0);
    const quint32 dataSize = d.U32(4);
    QByteArray data;
    if (!image.ReadRva(dataRva, qMin<quint64>(dataSize, MaxResourceBytes), data, true))
        return QByteArray();
    return data;
}

} // namespace

QByteArray VersionResourceFile::Read(const QString &fileName)
{
    if (fileName.isEmpty())
        return QByteArray();
    // Only regular files: opening a pipe or device could block or never end.
    if (!QFileInfo(fileName).isFile())
        return QByteArray();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    PieceReader reader(file);

    QByteArray magic;
    if (!reader.Read(0, 4, magic))
        return QByteArray();
    QByteArray data;
    if (magic
        == QByteArrayView("\x7F"
                          "ELF",
                          4))
        data = FromElf(reader);
    else if (magic.startsWith("MZ"))
        data = FromPe(reader);
    const qsizetype length = VersionInfoQuery::ResourceLength(data);
    return length > 0 ? data.left(length) : QByteArray();
}
