#include "core/photos/PhotoTextFilter.h"

#include "core/platform/AnsiCodec.h"

#include <QStringList>

#include <array>

namespace {

const std::vector<PhotoTextFilter::SpecialFold> &specials()
{
    // Letters that do not decompose but that a Dutch user types
    // differently, and the typographic quotes, which keyboards do not have.
    static const std::vector<PhotoTextFilter::SpecialFold> table = {
        {U'ß', "ss"}, {U'ẞ', "ss"}, {U'æ', "ae"}, {U'Æ', "ae"}, {U'œ', "oe"}, {U'Œ', "oe"}, {U'ø', "o"}, {U'Ø', "o"},
        {U'ð', "d"},  {U'Ð', "d"},  {U'đ', "d"},  {U'Đ', "d"},  {U'þ', "th"}, {U'Þ', "th"}, {U'ł', "l"}, {U'Ł', "l"},
        {U'‘', "'"},  {U'’', "'"},  {U'‚', "'"},  {U'‛', "'"},  {U'′', "'"},  {U'`', "'"},  {U'´', "'"}, {U'“', "\""},
        {U'”', "\""}, {U'„', "\""}, {U'‟', "\""}, {U'″', "\""}, {U'«', "\""}, {U'»', "\""}};
    return table;
}

// One character folded: compatibility decomposition without its marks, in
// case-folded form, but for the special cases above.
QString foldChar(char32_t c)
{
    for (const PhotoTextFilter::SpecialFold &s : specials())
        if (s.from == c)
            return QString::fromUtf8(s.to);
    if (c < 0x20 || (c >= 0x7f && c < 0xa0) || QChar::isSpace(c))
        return QStringLiteral(" ");
    const QString decomposed = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_KD);
    QString out;
    for (const QChar ch : decomposed)
        if (!ch.isMark())
            out.append(ch);
    return out.toCaseFolded();
}

struct ByteTable
{
    std::array<std::string, 256> folded;
    ByteTable()
    {
        for (int b = 0; b < 256; ++b) {
            const QString text = AnsiCodec::toUnicode(QByteArray(1, char(b)));
            QString out;
            for (const char32_t c : text.toUcs4())
                out += foldChar(c);
            folded[size_t(b)] = out.toStdString();
        }
    }
};

const ByteTable &byteTable()
{
    static const ByteTable table;
    return table;
}

} // namespace

PhotoTextFilter::PhotoTextFilter(const QString &query)
{
    const std::string folded = Fold(query);
    size_t at = 0;
    while (at < folded.size()) {
        const size_t begin = folded.find_first_not_of(' ', at);
        if (begin == std::string::npos)
            break;
        size_t end = folded.find(' ', begin);
        if (end == std::string::npos)
            end = folded.size();
        m_words.push_back(folded.substr(begin, end - begin));
        at = end;
    }
}

const std::vector<PhotoTextFilter::SpecialFold> &PhotoTextFilter::SpecialFolds()
{
    return specials();
}

std::string PhotoTextFilter::Fold(QStringView text)
{
    QString out;
    for (const char32_t c : text.toUcs4())
        out += foldChar(c);
    return out.toStdString();
}

std::string PhotoTextFilter::FoldBytes(QByteArrayView windows1252)
{
    std::string out;
    AppendFolded(out, windows1252);
    return out;
}

void PhotoTextFilter::AppendFolded(std::string &out, QByteArrayView windows1252)
{
    const ByteTable &table = byteTable();
    for (const char c : windows1252) {
        const std::string &f = table.folded[static_cast<unsigned char>(c)];
        // Most bytes fold to one byte; append that without the general path.
        if (f.size() == 1)
            out.push_back(f[0]);
        else
            out.append(f);
    }
}
