#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

// The four numbers of a file version.
struct VersionNumber
{
    quint16 Major = 0;
    quint16 Minor = 0;
    quint16 Release = 0;
    quint16 Build = 0;
};

// Reads the version resource of an executable file (by default the running
// program itself) and offers its fixed version numbers and its version
// strings. A file without a resource, or one that cannot be read, gives no
// info: version 0.0.0.0, empty strings and translation index -1.
class TRvVersionInfo : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString FileName READ FileName WRITE SetFileName)

public:
    // Number of names in the standard version-string table.
    static constexpr int StandardNameCount = 12;

    // Reads the running program's own resource straight away.
    explicit TRvVersionInfo(QObject *owner = nullptr);
    ~TRvVersionInfo() override;

    QString FileName() const { return m_fileName; }
    // Empty means the running program; the file is read again at once.
    void SetFileName(const QString &fileName);

    bool HasInfo() const { return m_hasInfo; }
    VersionNumber GetVersionNumber() const;

    int TranslationCount() const { return m_translationCount; }
    // Index 0 .. TranslationCount() - 1, anything else selects none (-1).
    void SelectTranslation(int index);
    int TranslationIndex() const;
    // Language and code page as eight upper-case hex digits ("041304E4");
    // empty when no translation is selected.
    QString TranslationKey() const;

    QString StringValue(const QString &name) const;
    // The standard names: 0 "Comments" .. 11 "SpecialBuild"; empty text for
    // an index outside that range.
    QString StringValueByIndex(int index) const;
    static QString StandardName(int index);

    // The running program's own file.
    static QString OwnProgramPath();

protected:
    virtual void ClearInfo();
    virtual void ReadInfo();

private:
    // VS_FIXEDFILEINFO: 13 little-endian 32-bit words.
    static constexpr int FixedInfoWords = 13;

    QString m_fileName;
    bool m_hasInfo = false;
    int m_translationCount = 0;
    int m_translationIndex = -1;
    quint32 m_fixedInfo[FixedInfoWords] = {};
    QByteArray m_resource;
    QList<quint32> m_translations;
};
