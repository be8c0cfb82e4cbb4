#include "core/info/TRvVersionInfo.h"

#include "core/platform/VersionInfoQuery.h"
#include "core/platform/VersionResourceFile.h"

#include <QFile>

#include <cstring>

namespace {

const char *const StandardNames[TRvVersionInfo::StandardNameCount] = {
    "Comments",        "CompanyName",      "FileDescription", "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTrademarks", "OriginalFileName", "PrivateBuild",    "ProductName", "ProductVersion", "SpecialBuild",
};

quint32 Le32(QByteArrayView d, qsizetype at)
{
    return quint32(quint8(d[at])) | (quint32(quint8(d[at + 1])) << 8) | (quint32(quint8(d[at + 2])) << 16)
        | (quint32(quint8(d[at + 3])) << 24);
}

} // namespace

TRvVersionInfo::TRvVersionInfo(QObject *owner) : QObject(owner)
{
    SetFileName(QString());
}

TRvVersionInfo::~TRvVersionInfo() = default;

QString TRvVersionInfo::OwnProgramPath()
{
    const QString self = QStringLiteral("/proc/self/exe");
    const QString target = QFile::symLinkTarget(self);
    // A program file replaced while running shows as "... (deleted)"; the
    // link itself still opens the running image.
    if (target.isEmpty() || !QFile::exists(target))
        return self;
    return target;
}

void TRvVersionInfo::SetFileName(const QString &fileName)
{
    m_fileName = fileName.isEmpty() ? OwnProgramPath() : fileName;
    ClearInfo();
    ReadInfo();
}

void TRvVersionInfo::ClearInfo()
{
    m_hasInfo = false;
}

void TRvVersionInfo::ReadInfo()
{
    m_hasInfo = false;
    std::memset(m_fixedInfo, 0, sizeof m_fixedInfo);
    m_translationCount = 0;
    m_translations.clear();
    m_translationIndex = -1;

    m_resource = VersionResourceFile::Read(m_fileName);
    if (m_resource.isEmpty())
        return;
    m_hasInfo = true;

    QByteArrayView value;
    if (VersionInfoQuery::Query(m_resource, u"\\", value) && value.size() >= FixedInfoWords * 4) {
        for (int i = 0; i < FixedInfoWords; ++i)
            m_fixedInfo[i] = Le32(value, i * 4);
    }

    if (VersionInfoQuery::Query(m_resource, u"\\VarFileInfo\\Translation", value)) {
        m_translationCount = int(value.size() / 4);
        for (int i = 0; i < m_translationCount; ++i)
            m_translations.append(Le32(value, i * 4));
    }

    SelectTranslation(0);
}

VersionNumber TRvVersionInfo::GetVersionNumber() const
{
    // Words 2 and 3 are the file version's most and least significant halves.
    const quint32 ms = m_fixedInfo[2];
    const quint32 ls = m_fixedInfo[3];
    return VersionNumber{quint16(ms >> 16), quint16(ms & 0xFFFF), quint16(ls >> 16), quint16(ls & 0xFFFF)};
}

void TRvVersionInfo::SelectTranslation(int index)
{
    m_translationIndex = (index >= 0 && index < m_translationCount) ? index : -1;
}

int TRvVersionInfo::TranslationIndex() const
{
    return m_hasInfo ? m_translationIndex : -1;
}

QString TRvVersionInfo::TranslationKey() const
{
    const int index = TranslationIndex();
    if (index < 0 || index >= m_translations.size())
        return QString();
    const quint32 entry = m_translations[index];
    return QStringLiteral("%1%2")
        .arg(entry & 0xFFFF, 4, 16, QLatin1Char('0'))
        .arg(entry >> 16, 4, 16, QLatin1Char('0'))
        .toUpper();
}

QString TRvVersionInfo::StringValue(const QString &name) const
{
    if (!m_hasInfo)
        return QString();
    const QString key = TranslationKey();
    if (key.isEmpty() || name.isEmpty())
        return QString();
    const QString path = QStringLiteral("\\StringFileInfo\\") + key + QLatin1Char('\\') + name;
    QByteArrayView value;
    if (!VersionInfoQuery::Query(m_resource, path, value))
        return QString();
    return VersionInfoQuery::TextOf(value);
}

QString TRvVersionInfo::StandardName(int index)
{
    if (index < 0 || index >= StandardNameCount)
        return QString();
    return QString::fromLatin1(StandardNames[index]);
}

QString TRvVersionInfo::StringValueByIndex(int index) const
{
    const QString name = StandardName(index);
    return name.isEmpty() ? QString() : StringValue(name);
}
