#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Finds the Windows-format version resource (VS_VERSIONINFO) of an
// executable file. On this platform the program carries it in an ELF section
// of its own; Windows PE files (PE32 and PE32+) carry it in their resource
// directory as type RT_VERSION. Files are read piece by piece and every
// offset is checked, so damaged or hostile files simply have no resource.
class VersionResourceFile
{
public:
    // The ELF section that holds the resource in this program's executables.
    static constexpr const char *ElfSectionName = ".tolvek_version";

    // The version resource of the file, or empty when the file has none,
    // is not an ELF or PE file, or cannot be read.
    static QByteArray Read(const QString &fileName);
};
