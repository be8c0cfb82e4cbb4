#include "core/platform/AnsiCodec.h"

namespace {

// Windows-1252 bytes 0x80..0x9F. The five unassigned bytes map to the C1
// control of the same value, as Windows does, so they survive a round trip.
const char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

int encodeChar(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u)
            return 0x80 + i;
    return -1;
}

} // namespace

QString AnsiCodec::toUnicode(const QByteArray &bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        d[i] = (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(b);
    }
    return out;
}

QByteArray AnsiCodec::fromUnicode(const QString &text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = encodeChar(text[i].unicode());
        out[i] = static_cast<char>(b < 0 ? '?' : b);
    }
    return out;
}

bool AnsiCodec::canEncode(QChar c)
{
    return encodeChar(c.unicode()) >= 0;
}

QString AnsiCodec::unencodableCharacters(const QString &text)
{
    QString bad;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A surrogate pair is one character to the user.
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            const QString pair = text.mid(i, 2);
            if (!bad.contains(pair))
                bad += pair;
            ++i;
            continue;
        }
        if (!canEncode(text[i]) && !bad.contains(text[i]))
            bad += text[i];
    }
    return bad;
}
