#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Answers queries on a Windows-format version resource (VS_VERSIONINFO) held
// in memory, the way the platform's version API does: "\" gives the fixed
// file information, "\VarFileInfo\Translation" the translation table and
// "\StringFileInfo\041304E4\ProductVersion" a version string. Every length
// and offset in the resource is checked against the buffer, so damaged
// resources give "not found" rather than reads outside it.
class VersionInfoQuery
{
public:
    // The length of the version resource at the start of data: the root
    // block's own length when it is a well-formed VS_VERSION_INFO block that
    // fits in data, else 0.
    static qsizetype ResourceLength(QByteArrayView data);

    // Looks up the block named by path (names separated by backslashes,
    // compared without regard to case) and gives its value bytes. For text
    // values, isText is set and the bytes are UTF-16 (little endian).
    static bool Query(QByteArrayView resource, QStringView path, QByteArrayView &value, bool *isText = nullptr);

    // A UTF-16 little-endian text value up to its terminating zero (or its end).
    static QString TextOf(QByteArrayView value);
};
