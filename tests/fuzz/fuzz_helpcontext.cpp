// The help file: a whole compiled help file (it begins with "ITSF") is
// opened as the help window opens it and its topics for the program's
// context numbers are looked up; any other input is taken apart into the
// two streams of the context table and parsed directly.

#include "FuzzCheck.h"
#include "FuzzSupport.h"

#include "core/platform/ChmArchive.h"
#include "core/platform/ChmContextTable.h"

#include <QByteArray>
#include <QtEndian>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (bytes.startsWith("ITSF")) {
        const QString name = FuzzSupport::WriteScratch(QStringLiteral(".chm"), bytes);
        ChmArchive archive;
        if (!archive.Open(name))
            return 0;
        for (const std::uint32_t context : {20u, 60u, 0u, 0xFFFFFFFFu}) {
            if (const auto topic = archive.TopicForContext(context))
                FUZZ_CHECK(archive.Contains(*topic));
        }
        if (const auto topic = archive.DefaultTopic()) {
            const auto page = archive.Read(*topic);
            if (page)
                FUZZ_CHECK(page->size() <= ChmArchive::MaxObjectSize);
        }
        archive.Read(QStringLiteral("/#IVB"));
        archive.Read(QStringLiteral("/#STRINGS"));
        return 0;
    }
    // The first two bytes give the length of "/#IVB"; the rest is "/#STRINGS".
    if (bytes.size() < 2)
        return 0;
    const qsizetype ivbLength = qMin<qsizetype>(qFromLittleEndian<quint16>(bytes.constData()), bytes.size() - 2);
    const QByteArray ivb = bytes.mid(2, ivbLength);
    const QByteArray strings = bytes.mid(2 + ivbLength);
    const QMap<std::uint32_t, QString> table = ChmContextTable::Parse(ivb, strings);
    FUZZ_CHECK(table.size() <= qMax<qsizetype>(ivb.size() - 4, 0) / 8);
    // A table written back reads the same.
    QByteArray ivb2;
    QByteArray strings2;
    ChmContextTable::Build(table, ivb2, strings2);
    QMap<std::uint32_t, QString> again = ChmContextTable::Parse(ivb2, strings2);
    // Texts with a zero byte inside cannot be written back whole; the rest must survive.
    for (auto it = table.cbegin(); it != table.cend(); ++it)
        if (!it.value().contains(QChar(0)))
            FUZZ_CHECK(again.value(it.key()) == it.value());
    return 0;
}
