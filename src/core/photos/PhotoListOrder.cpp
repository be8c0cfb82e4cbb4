#include "core/photos/PhotoListOrder.h"

#include <algorithm>

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
    case By::Time:
        std::stable_sort(positions.begin(), positions.end(), [&](qsizetype a, qsizetype b) {
            const auto &x = item(a).time, &y = item(b).time;
            return x && (!y || *x < *y);
        });
        break;
    }
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
