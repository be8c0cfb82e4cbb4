#include "core/base/TextRoutines.h"

#include "core/base/TolvekError.h"

namespace TextRoutines {

QString PadText(const QString &mode, const QString &text, const QString &pad, int width)
{
    const QString fill = pad.isEmpty() ? QStringLiteral(" ") : pad;
    QString t = text;
    if (width < 0)
        width = 0;
    if (t.size() > width)
        t.truncate(width);

    QString result;
    const qsizetype missing = width - t.size();
    if (mode == QLatin1String("L")) {
        result = t;
        for (qsizetype i = 0; i < missing; ++i)
            result += fill;
    } else if (mode == QLatin1String("R")) {
        for (qsizetype i = 0; i < missing; ++i)
            result += fill;
        result += t;
    } else if (mode == QLatin1String("F")) {
        result = t.repeated(width);
    }
    if (width == 1)
        result.truncate(1);
    return result;
}

bool TryStrToInt(QByteArrayView text, std::int32_t &value)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= n)
        return false;
    std::int64_t magnitude = 0;
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    for (; i < n; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit)
            return false;
    }
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return true;
}

std::int32_t StrToInt(QByteArrayView text)
{
    std::int32_t value = 0;
    if (!TryStrToInt(text, value))
        throw TolvekError::notValidInteger(text.toByteArray());
    return value;
}

} // namespace TextRoutines
