#include "core/platform/ChmArchive.h"

#include "core/platform/ChmContextTable.h"
#include "core/platform/IsolatedCall.h"

#include <QFile>
#include <QStringList>
#include <QtEndian>

#include <chm_lib.h>

#include <vector>

namespace {

constexpr int MaxObjects = 20000;

void put32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void put64(QByteArray &out, quint64 v)
{
    char b[8];
    qToLittleEndian(v, b);
    out.append(b, 8);
}

int CollectUnit(chmFile *, chmUnitInfo *info, void *context)
{
    auto *units = static_cast<std::vector<chmUnitInfo> *>(context);
    units->push_back(*info);
    return int(units->size()) >= MaxObjects ? CHM_ENUMERATOR_SUCCESS : CHM_ENUMERATOR_CONTINUE;
}

// In the helper: opens the file with chmlib and writes every object as
// flags (32 bits), path length (32), path, readable (8), data length (64)
// and the data.
bool UnpackInHelper(const QByteArray &native, QByteArray &out)
{
    chmFile *file = chm_open(native.constData());
    if (!file)
        return false;
    std::vector<chmUnitInfo> units;
    chm_enumerate(file, CHM_ENUMERATE_ALL, &CollectUnit, &units);
    qint64 total = 0;
    for (chmUnitInfo &unit : units) {
        unit.path[CHM_MAX_PATHLEN] = '\0';
        const QByteArray path(unit.path);
        put32(out, quint32(unit.flags));
        put32(out, quint32(path.size()));
        out += path;
        QByteArray data;
        bool readable = false;
        if (unit.length <= quint64(ChmArchive::MaxObjectSize)
            && total + qint64(unit.length) <= ChmArchive::MaxTotalSize) {
            data.resize(qsizetype(unit.length));
            const LONGINT64 got = unit.length == 0
                ? 0
                : chm_retrieve_object(file, &unit, reinterpret_cast<unsigned char *>(data.data()), 0,
                                      LONGINT64(unit.length));
            readable = got >= 0 && quint64(got) == unit.length;
            if (readable)
                total += qint64(unit.length);
            else
                data.clear();
        }
        out += char(readable ? 1 : 0);
        put64(out, quint64(data.size()));
        out += data;
    }
    chm_close(file);
    return true;
}

} // namespace

bool ChmArchive::UnpackJob(const QByteArray &native, QByteArray &out)
{
    return UnpackInHelper(native, out);
}

ChmArchive::ChmArchive() = default;

ChmArchive::~ChmArchive()
{
    Close();
}

bool ChmArchive::Open(const QString &fileName)
{
    Close();
    const QByteArray native = QFile::encodeName(fileName);
    IsolatedCall::Limits limits;
    limits.milliseconds = OpenMilliseconds;
    limits.outputBytes = MaxTotalSize + qint64(MaxObjects) * (CHM_MAX_PATHLEN + 32);
    limits.memoryBytes = MaxTotalSize * 2 + (qint64(512) << 20);
    const IsolatedCall::Result result = IsolatedCall::Run(Job, native, limits);
    if (result.status != IsolatedCall::Status::Ok)
        return false;

    // Taken apart with every length checked: what the helper sends is only
    // as sound as the library that made it.
    const QByteArray &in = result.output;
    qsizetype at = 0;
    auto has = [&](qint64 n) { return n >= 0 && n <= in.size() - at; };
    QList<Object> objects;
    while (at < in.size()) {
        if (!has(8))
            return false;
        Object object;
        object.flags = int(qFromLittleEndian<quint32>(in.constData() + at));
        const quint32 pathLength = qFromLittleEndian<quint32>(in.constData() + at + 4);
        at += 8;
        if (!has(qint64(pathLength) + 9))
            return false;
        object.path = QString::fromUtf8(in.constData() + at, pathLength);
        at += pathLength;
        object.readable = in.at(at) == 1;
        const quint64 dataLength = qFromLittleEndian<quint64>(in.constData() + at + 1);
        at += 9;
        if (dataLength > quint64(MaxObjectSize) || !has(qint64(dataLength)))
            return false;
        object.data = in.mid(at, qsizetype(dataLength));
        at += qsizetype(dataLength);
        objects.append(std::move(object));
    }
    m_objects = std::move(objects);
    for (qsizetype i = 0; i < m_objects.size(); ++i) {
        const QByteArray key = m_objects[i].path.toUtf8().toLower();
        if (!m_index.contains(key))
            m_index.insert(key, i);
    }
    m_fileName = fileName;
    m_open = true;
    return true;
}

void ChmArchive::Close()
{
    m_open = false;
    m_objects.clear();
    m_index.clear();
    m_fileName.clear();
}

const ChmArchive::Object *ChmArchive::Find(const QString &path) const
{
    if (!m_open || path.isEmpty())
        return nullptr;
    const QByteArray name = path.toUtf8();
    if (name.size() > CHM_MAX_PATHLEN)
        return nullptr;
    // chmlib looks objects up without regard to (ASCII) letter case.
    const auto it = m_index.constFind(name.toLower());
    return it == m_index.cend() ? nullptr : &m_objects[it.value()];
}

bool ChmArchive::Contains(const QString &path) const
{
    return Find(path) != nullptr;
}

std::optional<QByteArray> ChmArchive::Read(const QString &path) const
{
    const Object *object = Find(path);
    if (!object || !object->readable)
        return std::nullopt;
    return object->data;
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
    if (!m_open)
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

std::optional<QString> ChmArchive::DefaultTopic() const
{
    if (!m_open)
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
    // Else the first page in the archive's own order.
    for (const Object &object : m_objects) {
        if (!(object.flags & CHM_ENUMERATE_NORMAL) || !(object.flags & CHM_ENUMERATE_FILES))
            continue;
        if (object.path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive)
            || object.path.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive))
            return object.path;
    }
    return std::nullopt;
}
