#include "core/platform/ChmContextTable.h"

#include <QtEndian>

namespace ChmContextTable {

namespace {

std::uint32_t ReadU32(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<std::uint32_t>(data.constData() + at);
}

void AppendU32(QByteArray &data, std::uint32_t value)
{
    char bytes[4];
    qToLittleEndian<std::uint32_t>(value, bytes);
    data.append(bytes, 4);
}

} // namespace

QMap<std::uint32_t, QString> Parse(const QByteArray &ivb, const QByteArray &strings)
{
    QMap<std::uint32_t, QString> table;
    if (ivb.size() < 4)
        return table;
    const qsizetype available = ivb.size() - 4;
    const std::uint64_t declared = ReadU32(ivb, 0);
    const qsizetype bytes = declared < std::uint64_t(available) ? qsizetype(declared) : available;
    for (qsizetype at = 4; at + 8 <= 4 + bytes; at += 8) {
        const std::uint32_t context = ReadU32(ivb, at);
        const std::uint32_t offset = ReadU32(ivb, at + 4);
        if (qsizetype(offset) >= strings.size())
            continue;
        const qsizetype end = strings.indexOf('\0', qsizetype(offset));
        if (end < 0 || end == qsizetype(offset))
            continue;
        // The first entry for a context wins, as a viewer reading in order would find it.
        if (!table.contains(context))
            table.insert(context, QString::fromUtf8(strings.constData() + offset, end - qsizetype(offset)));
    }
    return table;
}

void Build(const QMap<std::uint32_t, QString> &table, QByteArray &ivb, QByteArray &strings)
{
    ivb.clear();
    strings = QByteArray(1, '\0'); // offset 0 is the empty text, as compilers write it
    AppendU32(ivb, std::uint32_t(table.size() * 8));
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        AppendU32(ivb, it.key());
        AppendU32(ivb, std::uint32_t(strings.size()));
        strings += it.value().toUtf8();
        strings += '\0';
    }
}

} // namespace ChmContextTable
