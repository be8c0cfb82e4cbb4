#include "platform/ChmArchive.h"

#include "support/ChmContextTable.h"

#include <QFile>
#include <QStringList>
#include <QtEndian>

#include <chm_lib.h>

ChmArchive::ChmArchive() = default;

ChmArchive::~ChmArchive()
{
    Close();
}

bool ChmArchive::Open(const QString &fileName)
{
    Close();
    const QByteArray native = QFile::encodeName(fileName);
    m_file = chm_open(native.constData());
    if (m_file)
        m_fileName = fileName;
    return m_file != nullptr;
}

void ChmArchive::Close()
{
    if (m_file)
        chm_close(m_file);
    m_file = nullptr;
    m_fileName.clear();
}

bool ChmArchive::Contains(const QString &path) const
{
    if (!m_file || path.isEmpty())
        return false;
    const QByteArray name = path.toUtf8();
    if (name.size() > CHM_MAX_PATHLEN)
        return false;
    chmUnitInfo info {};
    return chm_resolve_object(m_file, name.constData(), &info) == CHM_RESOLVE_SUCCESS;
}

std::optional<QByteArray> ChmArchive::Read(const QString &path) const
{
    if (!m_file || path.isEmpty())
        return std::nullopt;
    const QByteArray name = path.toUtf8();
    if (name.size() > CHM_MAX_PATHLEN)
        return std::nullopt;
    chmUnitInfo info {};
    if (chm_resolve_object(m_file, name.constData(), &info) != CHM_RESOLVE_SUCCESS)
        return std::nullopt;
    if (info.length > std::uint64_t(MaxObjectSize))
        return std::nullopt;
    QByteArray data(qsizetype(info.length), Qt::Uninitialized);
    if (info.length == 0)
        return data;
    const LONGINT64 got = chm_retrieve_object(m_file, &info, reinterpret_cast<unsigned char *>(data.data()), 0,
                                              LONGINT64(info.length));
    if (got < 0 || std::uint64_t(got) != info.length)
        return std::nullopt;
    return data;
}

std::optional<QString> ChmArchive::ExistingObjectFor(const QString &stored) const
{
    QString path = stored;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const qsizetype anchor = path.indexOf(QLatin1Char('#'));
    const QString fragment = anchor >= 0 ? path.mid(anchor) : QString();
    if (anchor >= 0)
        path.truncate(anchor);
    QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    while (!parts.isEmpty()) {
        const QString candidate = QLatin1Char('/') + parts.join(QLatin1Char('/'));
        if (Contains(candidate))
            return candidate + fragment;
        parts.removeFirst();
    }
    return std::nullopt;
}

std::optional<QString> ChmArchive::TopicForContext(std::uint32_t context) const
{
    if (!m_file)
        return std::nullopt;
    const std::optional<QByteArray> ivb = Read(QStringLiteral("/#IVB"));
    const std::optional<QByteArray> strings = Read(QStringLiteral("/#STRINGS"));
    if (!ivb || !strings)
        return std::nullopt;
    const QMap<std::uint32_t, QString> table = ChmContextTable::Parse(*ivb, *strings);
    const auto it = table.constFind(context);
    if (it == table.cend())
        return std::nullopt;
    return ExistingObjectFor(it.value());
}

namespace {
int CollectHtml(chmFile *, chmUnitInfo *info, void *context)
{
    auto *first = static_cast<QString *>(context);
    const QString path = QString::fromUtf8(info->path);
    if (path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive) || path.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive)) {
        *first = path;
        return CHM_ENUMERATOR_SUCCESS;
    }
    return CHM_ENUMERATOR_CONTINUE;
}
} // namespace

std::optional<QString> ChmArchive::DefaultTopic() const
{
    if (!m_file)
        return std::nullopt;
    // /#SYSTEM: a 32-bit version, then entries (16-bit code, 16-bit length,
    // data); code 2 holds the default topic.
    if (const std::optional<QByteArray> system = Read(QStringLiteral("/#SYSTEM"))) {
        qsizetype at = 4;
        while (at + 4 <= system->size()) {
            const quint16 code = qFromLittleEndian<quint16>(system->constData() + at);
            const quint16 length = qFromLittleEndian<quint16>(system->constData() + at + 2);
            at += 4;
            if (at + length > system->size())
                break;
            if (code == 2) {
                QByteArray value = system->mid(at, length);
                const qsizetype zero = value.indexOf('\0');
                if (zero >= 0)
                    value.truncate(zero);
                if (const auto found = ExistingObjectFor(QString::fromUtf8(value)))
                    return found;
            }
            at += length;
        }
    }
    QString first;
    chm_enumerate(m_file, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, &CollectHtml, &first);
    if (first.isEmpty())
        return std::nullopt;
    return first;
}
