#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

// Builds a Windows-format version resource (VS_VERSIONINFO): the fixed file
// information, one string table per translation and the translation table.
// Used by the build-time tool that embeds the program's own resource and by
// tests that need resources of their own.
class VersionResourceWriter
{
public:
    struct Version
    {
        quint16 Major = 0;
        quint16 Minor = 0;
        quint16 Release = 0;
        quint16 Build = 0;
    };

    // "1", "1.2", "1.2.3" or "1.2.3.4", each part 0..65535; missing parts are 0.
    static bool ParseVersion(const QString &text, Version &version);

    void SetFileVersion(const Version &version) { m_fileVersion = version; }
    void SetProductVersion(const Version &version) { m_productVersion = version; }

    // Adds a name/value pair to the string table of the given translation,
    // creating the table on first use. Tables and strings keep their order.
    void AddString(quint16 language, quint16 codePage, const QString &name, const QString &value);

    // Adds an entry to the translation table (\VarFileInfo\Translation).
    void AddTranslation(quint16 language, quint16 codePage);

    // The whole resource, little endian, as a resource compiler would lay it
    // out. Empty when it would not fit the 16-bit length fields.
    QByteArray Build() const;

private:
    struct StringTable
    {
        quint16 language;
        quint16 codePage;
        QList<QPair<QString, QString>> strings;
    };

    Version m_fileVersion;
    Version m_productVersion;
    quint32 m_fileType = 1; // VFT_APP
    QList<StringTable> m_tables;
    QList<quint32> m_translations;
};
