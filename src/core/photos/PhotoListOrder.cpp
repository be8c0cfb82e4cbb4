#include "core/photos/PhotoListOrder.h"

#include <algorithm>
#include <utility>

void PhotoListOrder::Sort(std::vector<qsizetype> &positions, By by, const std::vector<Item> &items)
{
    // Missing values go last; ties keep the list's order (stable sort).
    const auto item = [&items](qsizetype p) -> const Item & { return items[size_t(p)]; };
    switch (by) {
    case By::Number:
        std::stable_sort(positions.begin(), positions.end(), [&](qsizetype a, qsizetype b) {
            const auto &x = item(a).number, &y = item(b).number;
            return x && (!y || *x < *y);
        });
        break;
    case By::Name:
        std::stable_sort(positions.begin(), positions.end(), [&](qsizetype a, qsizetype b) {
            return QString::compare(item(a).name, item(b).name, Qt::CaseInsensitive) < 0;
        });
        break;
    case By::Time: {
        std::vector<qint64> keys(items.size(), NoTime);
        for (size_t p = 0; p < items.size(); ++p)
            if (items[p].time)
                keys[p] = *items[p].time;
        SortByKey(positions, keys);
        break;
    }
    }
}

void PhotoListOrder::SortByKey(std::vector<qsizetype> &positions, const std::vector<qint64> &keys)
{
    // A radix sort, eleven bits at a time from the lowest: it is stable, and
    // at 100000 photos several times faster than comparing. The sign bit is
    // flipped so that the keys order as unsigned numbers; digits that all
    // keys share are skipped (times of one year differ in their low 35 bits).
    const size_t n = positions.size();
    if (n < 2)
        return;
    struct Pair
    {
        quint64 key;
        qsizetype position;
    };
    std::vector<Pair> from(n), to(n);
    constexpr quint64 sign = quint64(1) << 63;
    for (size_t i = 0; i < n; ++i)
        from[i] = {quint64(keys[size_t(positions[i])]) ^ sign, positions[i]};
    quint64 differ = 0;
    for (const Pair &pair : from)
        differ |= pair.key ^ from[0].key;
    constexpr int bits = 11;
    constexpr size_t buckets = size_t(1) << bits;
    std::vector<size_t> start(buckets);
    for (int shift = 0; shift < 64; shift += bits) {
        if (((differ >> shift) & (buckets - 1)) == 0)
            continue;
        std::fill(start.begin(), start.end(), 0);
        for (const Pair &pair : from)
            ++start[(pair.key >> shift) & (buckets - 1)];
        size_t sum = 0;
        for (size_t &s : start)
            sum += std::exchange(s, sum);
        for (const Pair &pair : from)
            to[start[(pair.key >> shift) & (buckets - 1)]++] = pair;
        from.swap(to);
    }
    for (size_t i = 0; i < n; ++i)
        positions[i] = from[i].position;
}

QString PhotoListOrder::SettingName(By by)
{
    switch (by) {
    case By::Name:
        return QStringLiteral("naam");
    case By::Time:
        return QStringLiteral("tijd");
    case By::Number:
        break;
    }
    return QStringLiteral("nummer");
}

PhotoListOrder::By PhotoListOrder::FromSettingName(const QString &name)
{
    if (name == QLatin1String("naam"))
        return By::Name;
    if (name == QLatin1String("tijd"))
        return By::Time;
    return By::Number;
}
