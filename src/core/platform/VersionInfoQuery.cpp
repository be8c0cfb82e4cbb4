#include "core/platform/VersionInfoQuery.h"

namespace {

// One block: wLength, wValueLength, wType, the zero-terminated UTF-16 key,
// padding to 32 bits, the value, padding, then the children.
struct Block
{
    qsizetype end = 0;
    quint16 type = 0;
    QString key;
    qsizetype valueStart = 0;
    qsizetype valueEnd = 0;
    qsizetype childrenStart = 0;
};

quint16 U16(QByteArrayView d, qsizetype at)
{
    return quint16(quint8(d[at]) | (quint8(d[at + 1]) << 8));
}

qsizetype Align4(qsizetype offset)
{
    return (offset + 3) & ~qsizetype(3);
}

bool ParseBlock(QByteArrayView d, qsizetype start, qsizetype limit, Block &block)
{
    if (start < 0 || limit > d.size() || start > limit - 6)
        return false;
    const quint16 length = U16(d, start);
    if (length < 6 || length > limit - start)
        return false;
    block.end = start + length;
    const quint16 valueLength = U16(d, start + 2);
    block.type = U16(d, start + 4);

    block.key.clear();
    qsizetype pos = start + 6;
    bool terminated = false;
    while (pos + 2 <= block.end) {
        const quint16 c = U16(d, pos);
        pos += 2;
        if (c == 0) {
            terminated = true;
            break;
        }
        block.key.append(QChar(c));
    }
    if (!terminated)
        return false;

    // Text lengths count UTF-16 characters, binary ones bytes. Resource
    // compilers differ in whether the text length includes the terminator
    // (or count bytes instead), so the value is clipped to the block.
    const qsizetype valueBytes = block.type == 1 ? qsizetype(valueLength) * 2 : qsizetype(valueLength);
    block.valueStart = qMin(Align4(pos), block.end);
    block.valueEnd = qMin(block.valueStart + valueBytes, block.end);
    block.childrenStart = qMin(Align4(block.valueEnd), block.end);
    return true;
}

bool FindChild(QByteArrayView d, const Block &parent, QStringView name, Block &child)
{
    qsizetype pos = parent.childrenStart;
    while (pos <= parent.end - 6) {
        if (!ParseBlock(d, pos, parent.end, child))
            return false; // a damaged child ends the walk
        if (QStringView(child.key).compare(name, Qt::CaseInsensitive) == 0)
            return true;
        pos = Align4(child.end);
    }
    return false;
}

} // namespace

qsizetype VersionInfoQuery::ResourceLength(QByteArrayView data)
{
    Block root;
    if (!ParseBlock(data, 0, data.size(), root))
        return 0;
    if (root.key != QLatin1String("VS_VERSION_INFO"))
        return 0;
    return root.end;
}

bool VersionInfoQuery::Query(QByteArrayView resource, QStringView path, QByteArrayView &value, bool *isText)
{
    value = QByteArrayView();
    const qsizetype length = ResourceLength(resource);
    if (length == 0)
        return false;
    const QByteArrayView d = resource.first(length);

    Block block;
    if (!ParseBlock(d, 0, d.size(), block))
        return false;
    for (QStringView part : path.tokenize(u'\\', Qt::SkipEmptyParts)) {
        Block child;
        if (!FindChild(d, block, part, child))
            return false;
        block = child;
    }
    value = d.sliced(block.valueStart, block.valueEnd - block.valueStart);
    if (isText)
        *isText = block.type == 1;
    return true;
}

QString VersionInfoQuery::TextOf(QByteArrayView value)
{
    QString text;
    for (qsizetype pos = 0; pos + 2 <= value.size(); pos += 2) {
        const quint16 c = U16(value, pos);
        if (c == 0)
            break;
        text.append(QChar(c));
    }
    return text;
}
