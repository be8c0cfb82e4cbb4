#pragma once

#include <QByteArray>
#include <QString>

// Project texts are kept as the bytes of the data file, in Windows-1252 (the
// code page of the Dutch Windows systems the files come from). This is the one
// place where they meet Unicode.
class AnsiCodec
{
public:
    static QString toUnicode(const QByteArray &bytes);

    // Characters that Windows-1252 cannot hold become '?'; callers that must
    // not lose text check canEncode() first.
    static QByteArray fromUnicode(const QString &text);

    static bool canEncode(QChar c);

    // The distinct characters of text that Windows-1252 cannot hold, in order
    // of first appearance.
    static QString unencodableCharacters(const QString &text);
};
