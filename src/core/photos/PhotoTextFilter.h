#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <string>
#include <vector>

// Finds photos by what the user types in the photo list: every word must
// occur in the photo's file name or in its notes, whatever the letter case
// or accents ("cafe" finds "Café"). Project texts are Windows-1252 bytes;
// each byte folds through a table made once, so a hundred thousand photos
// are searched without decoding a single text.
class PhotoTextFilter
{
public:
    explicit PhotoTextFilter(const QString &query = QString());

    bool IsEmpty() const { return m_words.empty(); }

    // name and notes as the lists store them (notes may hold the file's
    // line-break byte 0x9D). Not for two threads at once: it reuses a buffer.
    bool Matches(QByteArrayView name, QByteArrayView notes) const;

    // Text as the filter compares it: lower case, without accents, line
    // breaks and other control characters as blanks; UTF-8.
    static std::string Fold(QStringView text);
    static std::string FoldBytes(QByteArrayView windows1252);

private:
    static void AppendFolded(std::string &out, QByteArrayView windows1252);

    std::vector<std::string> m_words;
    mutable std::string m_buffer;
};
