#pragma once

// Small ELF and PE files and version resources of our own making, for the
// version reader's tests and the seed files of its fuzz target.

#include "core/platform/VersionResourceWriter.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace VersionImages {

// Appends and patches fixed-size fields in either byte order.
class ByteWriter
{
public:
    explicit ByteWriter(bool bigEndian = false) : m_big(bigEndian) {}
    QByteArray bytes;

    void Put(quint64 v, int size) { Set(bytes.size(), v, size, true); }
    void U8(quint64 v) { Put(v, 1); }
    void U16(quint64 v) { Put(v, 2); }
    void U32(quint64 v) { Put(v, 4); }
    void U64(quint64 v) { Put(v, 8); }
    void Word(bool is64, quint64 v) { Put(v, is64 ? 8 : 4); }
    void PadTo(qsizetype size) { bytes.append(size - bytes.size(), '\0'); }
    void Align(int n)
    {
        while (bytes.size() % n)
            bytes.append('\0');
    }

    void Set(qsizetype at, quint64 v, int size, bool append = false)
    {
        if (append)
            bytes.append(size, '\0');
        for (int i = 0; i < size; ++i) {
            const int shift = 8 * (m_big ? size - 1 - i : i);
            bytes[at + i] = char((v >> shift) & 0xFF);
        }
    }

private:
    bool m_big;
};

// A minimal ELF file with one section holding payload, and where its fields are.
struct ElfImage
{
    QByteArray bytes;
    qsizetype sectionHeaders = 0; // offset of the section header table
    int entrySize = 0;
    bool is64 = false;
    bool big = false;

    qsizetype FieldOf(int section, int field32, int field64) const
    {
        return sectionHeaders + section * entrySize + (is64 ? field64 : field32);
    }
};

inline ElfImage MakeElf(bool is64, bool big, const QByteArray &sectionName, const QByteArray &payload)
{
    ElfImage image;
    image.is64 = is64;
    image.big = big;
    image.entrySize = is64 ? 64 : 40;
    const int headerSize = is64 ? 64 : 52;
    const QByteArray names = QByteArray(1, '\0') + sectionName + '\0' + ".shstrtab" + '\0';
    const qsizetype payloadAt = headerSize;
    const qsizetype namesAt = payloadAt + payload.size();
    const qsizetype tableAt = (namesAt + names.size() + 7) & ~qsizetype(7);
    image.sectionHeaders = tableAt;

    ByteWriter w(big);
    w.bytes.append("\x7F"
                   "ELF",
                   4);
    w.U8(is64 ? 2 : 1);
    w.U8(big ? 2 : 1);
    w.U8(1);
    w.PadTo(16);
    w.U16(2); // executable
    w.U16(is64 ? (big ? 43 : 62) : (big ? 8 : 3));
    w.U32(1);
    w.Word(is64, 0); // entry
    w.Word(is64, 0); // program headers
    w.Word(is64, quint64(tableAt));
    w.U32(0);
    w.U16(quint64(headerSize));
    w.U16(0);
    w.U16(0);
    w.U16(quint64(image.entrySize));
    w.U16(3);
    w.U16(2);
    Q_ASSERT(w.bytes.size() == headerSize);
    w.bytes.append(payload);
    w.bytes.append(names);
    w.PadTo(tableAt);

    auto section = [&](quint32 name, quint32 type, quint64 flags, qsizetype offset, qsizetype size) {
        const qsizetype start = w.bytes.size();
        w.U32(name);
        w.U32(type);
        w.Word(is64, flags);
        w.Word(is64, 0); // address
        w.Word(is64, quint64(offset));
        w.Word(is64, quint64(size));
        w.U32(0);
        w.U32(0);
        w.Word(is64, 4);
        w.Word(is64, 0);
        Q_ASSERT(w.bytes.size() - start == image.entrySize);
    };
    section(0, 0, 0, 0, 0);
    section(1, 1, 2, payloadAt, payload.size());
    section(quint32(1 + sectionName.size() + 1), 3, 0, namesAt, names.size());
    image.bytes = w.bytes;
    return image;
}

// A minimal Windows PE file (PE32 or PE32+) with a code section and a
// resource section holding an icon and, unless left out, the version
// resource. The version data is the last thing in the file.
struct PeImage
{
    QByteArray bytes;
    qsizetype optionalHeader = 0;
    qsizetype sectionTable = 0;
    qsizetype resources = 0;            // file offset of the resource section
    qsizetype versionDataEntry = 0;     // file offset of its IMAGE_RESOURCE_DATA_ENTRY
    qsizetype versionLanguageEntry = 0; // file offset of the language directory entry
    qsizetype versionData = 0;
    qsizetype versionDataEnd = 0;
    int directoriesAt = 0;
};

inline PeImage MakePe(bool plus, const QByteArray &resource, bool withVersion = true)
{
    constexpr quint32 ResourceRva = 0x2000;
    constexpr qsizetype ResourceRaw = 0x400;
    PeImage image;

    // The resource section: type directory, name and language directories
    // for an icon (type 3) and the version (type 16), data entries, data.
    ByteWriter r;
    auto directory = [&r](quint16 ids) {
        r.U32(0);
        r.U32(0);
        r.U16(0);
        r.U16(0);
        r.U16(0);
        r.U16(ids);
    };
    directory(withVersion ? 2 : 1); // 0x00
    r.U32(3);
    r.U32(0x80000000u | 0x20);
    if (withVersion) {
        r.U32(16);
        r.U32(0x80000000u | 0x50);
    } else {
        r.U32(0);
        r.U32(0);
    }
    directory(1); // 0x20: icon names
    r.U32(1);
    r.U32(0x80000000u | 0x38);
    directory(1); // 0x38: icon languages
    r.U32(0x0409);
    r.U32(0x80);
    directory(1); // 0x50: version names
    r.U32(1);
    r.U32(0x80000000u | 0x68);
    directory(1); // 0x68: version languages
    r.U32(0x0413);
    r.U32(0x90);
    Q_ASSERT(r.bytes.size() == 0x80);
    r.U32(ResourceRva + 0xA0); // icon data entry
    r.U32(4);
    r.U32(0);
    r.U32(0);
    r.U32(ResourceRva + 0xB0); // version data entry
    r.U32(quint64(resource.size()));
    r.U32(0);
    r.U32(0);
    r.PadTo(0xA0);
    r.U32(0x12345678);
    r.PadTo(0xB0);
    if (withVersion)
        r.bytes.append(resource);
    const qsizetype resourceSize = r.bytes.size();
    const qsizetype resourceRawSize = (resourceSize + 0x1FF) & ~qsizetype(0x1FF);

    ByteWriter w;
    w.bytes.append("MZ", 2);
    w.PadTo(0x3C);
    w.U32(0x80);
    w.PadTo(0x80);
    w.bytes.append("PE\0\0", 4);
    const int optionalSize = plus ? 240 : 224;
    w.U16(plus ? 0x8664 : 0x14C);
    w.U16(2);
    w.U32(0);
    w.U32(0);
    w.U32(0);
    w.U16(quint64(optionalSize));
    w.U16(plus ? 0x0022 : 0x0102);
    image.optionalHeader = w.bytes.size();
    w.U16(plus ? 0x20B : 0x10B);
    w.U8(14);
    w.U8(0);
    w.U32(0x200); // size of code
    w.U32(quint64(resourceRawSize));
    w.U32(0);
    w.U32(0x1000); // entry point
    w.U32(0x1000); // base of code
    if (plus) {
        w.U64(0x140000000ull);
    } else {
        w.U32(0x2000); // base of data
        w.U32(0x400000);
    }
    w.U32(0x1000); // section alignment
    w.U32(0x200);  // file alignment
    for (int i = 0; i < 6; ++i)
        w.U16(i == 0 || i == 4 ? 6 : 0);
    w.U32(0);
    w.U32(0x3000); // size of image
    w.U32(0x200);  // size of headers
    w.U32(0);
    w.U16(2); // GUI subsystem
    w.U16(0);
    for (int i = 0; i < 4; ++i)
        w.Word(plus, 0x100000);
    w.U32(0);
    w.U32(16);
    image.directoriesAt = int(w.bytes.size() - image.optionalHeader);
    Q_ASSERT(image.directoriesAt == (plus ? 112 : 96));
    for (int i = 0; i < 16; ++i) {
        w.U32(i == 2 ? ResourceRva : 0);
        w.U32(i == 2 ? quint64(resourceSize) : 0);
    }
    Q_ASSERT(w.bytes.size() - image.optionalHeader == optionalSize);

    image.sectionTable = w.bytes.size();
    auto section = [&w](const char *name, quint32 va, quint32 virtualSize, quint32 rawSize, quint32 rawAt,
                        quint32 flags) {
        QByteArray n(name);
        n.resize(8, '\0');
        w.bytes.append(n);
        w.U32(virtualSize);
        w.U32(va);
        w.U32(rawSize);
        w.U32(rawAt);
        w.U32(0);
        w.U32(0);
        w.U16(0);
        w.U16(0);
        w.U32(flags);
    };
    section(".text", 0x1000, 0x10, 0x200, 0x200, 0x60000020);
    section(".rsrc", ResourceRva, quint32(resourceSize), quint32(resourceRawSize), ResourceRaw, 0x40000040);
    w.PadTo(0x200);
    w.bytes.append(char(0xC3));
    w.PadTo(ResourceRaw);
    image.resources = w.bytes.size();
    w.bytes.append(r.bytes);
    image.versionLanguageEntry = image.resources + 0x78;
    image.versionDataEntry = image.resources + 0x90;
    image.versionData = image.resources + 0xB0;
    image.versionDataEnd = image.versionData + (withVersion ? resource.size() : 0);
    Q_ASSERT(w.bytes.size() == image.versionDataEnd);
    image.bytes = w.bytes;
    return image;
}

struct Translation
{
    quint16 language;
    quint16 codePage;
};

// A resource as the program's build writes it, for the given version and
// translations; each translation's strings carry its key so that lookups in
// the wrong table show.
inline QByteArray MakeResource(const QString &version, const QList<Translation> &translations,
                               bool withTranslationTable = true)
{
    VersionResourceWriter writer;
    VersionResourceWriter::Version v;
    if (!VersionResourceWriter::ParseVersion(version, v))
        qFatal("bad test version %s", qPrintable(version));
    writer.SetFileVersion(v);
    writer.SetProductVersion(v);
    for (const Translation &t : translations) {
        const QString key = QStringLiteral("%1%2")
                                .arg(t.language, 4, 16, QLatin1Char('0'))
                                .arg(t.codePage, 4, 16, QLatin1Char('0'))
                                .toUpper();
        writer.AddString(t.language, t.codePage, QStringLiteral("CompanyName"), QStringLiteral("Firma ") + key);
        writer.AddString(t.language, t.codePage, QStringLiteral("ProductVersion"), version + QLatin1Char('/') + key);
        if (withTranslationTable)
            writer.AddTranslation(t.language, t.codePage);
    }
    return writer.Build();
}

} // namespace VersionImages
