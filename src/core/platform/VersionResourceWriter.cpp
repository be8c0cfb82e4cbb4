#include "core/platform/VersionResourceWriter.h"

#include <QStringList>

namespace {

struct Node
{
    QString key;
    quint16 type = 0;        // 1: the value is text, 0: binary
    quint16 valueLength = 0; // characters for text, bytes for binary
    QByteArray value;
    QList<Node> children;
};

void Put16(QByteArray &out, quint16 v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

void Put32(QByteArray &out, quint32 v)
{
    Put16(out, quint16(v & 0xFFFF));
    Put16(out, quint16(v >> 16));
}

void Align4(QByteArray &out)
{
    while (out.size() % 4 != 0)
        out.append('\0');
}

QByteArray Utf16z(const QString &text)
{
    QByteArray out;
    for (QChar c : text)
        Put16(out, c.unicode());
    Put16(out, 0);
    return out;
}

// Every node starts on a 32-bit boundary of the resource; its length covers
// its children (with their padding) but not padding after its own end.
bool WriteNode(QByteArray &out, const Node &node)
{
    Align4(out);
    const qsizetype start = out.size();
    Put16(out, 0); // length, patched below
    Put16(out, node.valueLength);
    Put16(out, node.type);
    out.append(Utf16z(node.key));
    Align4(out);
    out.append(node.value);
    for (const Node &child : node.children) {
        if (!WriteNode(out, child))
            return false;
    }
    const qsizetype length = out.size() - start;
    if (length > 0xFFFF)
        return false;
    out[start] = char(length & 0xFF);
    out[start + 1] = char(length >> 8);
    return true;
}

Node TextNode(const QString &name, const QString &value)
{
    Node node;
    node.key = name;
    node.type = 1;
    node.value = Utf16z(value);
    node.valueLength = quint16(qMin<qsizetype>(value.size() + 1, 0xFFFF));
    return node;
}

QString TranslationKey(quint16 language, quint16 codePage)
{
    return QStringLiteral("%1%2")
        .arg(language, 4, 16, QLatin1Char('0'))
        .arg(codePage, 4, 16, QLatin1Char('0'))
        .toUpper();
}

} // namespace

bool VersionResourceWriter::ParseVersion(const QString &text, Version &version)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.isEmpty() || parts.size() > 4)
        return false;
    quint16 numbers[4] = {0, 0, 0, 0};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        const uint n = parts[i].toUInt(&ok, 10);
        if (!ok || n > 0xFFFF || parts[i].trimmed() != parts[i])
            return false;
        numbers[i] = quint16(n);
    }
    version = Version{numbers[0], numbers[1], numbers[2], numbers[3]};
    return true;
}

void VersionResourceWriter::AddString(quint16 language, quint16 codePage, const QString &name, const QString &value)
{
    for (StringTable &table : m_tables) {
        if (table.language == language && table.codePage == codePage) {
            table.strings.append({name, value});
            return;
        }
    }
    m_tables.append(StringTable{language, codePage, {{name, value}}});
}

void VersionResourceWriter::AddTranslation(quint16 language, quint16 codePage)
{
    m_translations.append(quint32(language) | (quint32(codePage) << 16));
}

QByteArray VersionResourceWriter::Build() const
{
    Node root;
    root.key = QStringLiteral("VS_VERSION_INFO");
    root.type = 0;
    // VS_FIXEDFILEINFO
    Put32(root.value, 0xFEEF04BD); // signature
    Put32(root.value, 0x00010000); // structure version 1.0
    Put32(root.value, (quint32(m_fileVersion.Major) << 16) | m_fileVersion.Minor);
    Put32(root.value, (quint32(m_fileVersion.Release) << 16) | m_fileVersion.Build);
    Put32(root.value, (quint32(m_productVersion.Major) << 16) | m_productVersion.Minor);
    Put32(root.value, (quint32(m_productVersion.Release) << 16) | m_productVersion.Build);
    Put32(root.value, 0x3F);       // file flags mask
    Put32(root.value, 0);          // file flags
    Put32(root.value, 0x00040004); // VOS_NT_WINDOWS32
    Put32(root.value, m_fileType);
    Put32(root.value, 0); // subtype
    Put32(root.value, 0); // date, high
    Put32(root.value, 0); // date, low
    root.valueLength = quint16(root.value.size());

    if (!m_tables.isEmpty()) {
        Node stringFileInfo;
        stringFileInfo.key = QStringLiteral("StringFileInfo");
        stringFileInfo.type = 1;
        for (const StringTable &table : m_tables) {
            Node tableNode;
            tableNode.key = TranslationKey(table.language, table.codePage);
            tableNode.type = 1;
            for (const auto &pair : table.strings)
                tableNode.children.append(TextNode(pair.first, pair.second));
            stringFileInfo.children.append(tableNode);
        }
        root.children.append(stringFileInfo);
    }

    if (!m_translations.isEmpty()) {
        Node var;
        var.key = QStringLiteral("Translation");
        var.type = 0;
        for (quint32 entry : m_translations)
            Put32(var.value, entry);
        if (var.value.size() > 0xFFFF)
            return QByteArray();
        var.valueLength = quint16(var.value.size());
        Node varFileInfo;
        varFileInfo.key = QStringLiteral("VarFileInfo");
        varFileInfo.type = 1;
        varFileInfo.children.append(var);
        root.children.append(varFileInfo);
    }

    QByteArray out;
    if (!WriteNode(out, root))
        return QByteArray();
    return out;
}
