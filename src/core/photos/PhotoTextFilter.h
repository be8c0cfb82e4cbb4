#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <string>
#include <vector>

// What the user types in the photo list's filter: words, each of which must
// occur in a photo's file name or notes (PhotoTextIndex finds them),
// whatever the letter case or accents ("cafe" finds "Café"). Project texts
// are Windows-1252 bytes; each byte folds through a table made once, so a
// hundred thousand photos are folded without decoding a single text.
class PhotoTextFilter
{
public:
    explicit PhotoTextFilter(const QString &query = QString());

    bool IsEmpty() const { return m_words.empty(); }
    const std::vector<std::string> &Words() const { return m_words; }

    // Text as the filter compares it: lower case, without accents, line
    // breaks and other control characters as blanks; UTF-8.
    static std::string Fold(QStringView text);
    static std::string FoldBytes(QByteArrayView windows1252);
    static void AppendFolded(std::string &out, QByteArrayView windows1252);

    // The characters that fold otherwise than by decomposition, case
    // folding and dropping marks; the exported web page folds by the same
    // table.
    struct SpecialFold
    {
        char32_t from;
        const char *to;
    };
    static const std::vector<SpecialFold> &SpecialFolds();

private:
    std::vector<std::string> m_words;
};
