#include "core/photos/CameraRecord.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

bool CameraRecord::IsEmpty() const
{
    return !HasTime() && !utcOffsetMinutes && !direction && !latitude && !longitude && !accuracy && make.isEmpty()
        && model.isEmpty();
}

QString CameraRecord::TimeText() const
{
    if (!HasTime())
        return QString();
    // Fixed abbreviations: the system's locale data need not be Dutch.
    static const char *const months[] = {"jan.", "feb.", "mrt.", "apr.", "mei",  "jun.",
                                         "jul.", "aug.", "sep.", "okt.", "nov.", "dec."};
    return QStringLiteral("%1 %2 %3 %4")
        .arg(date.day())
        .arg(QLatin1String(months[date.month() - 1]))
        .arg(date.year())
        .arg(time.toString(QStringLiteral("HH:mm")));
}

QString CameraRecord::PlaceText() const
{
    if (!HasPosition())
        return QString();
    // A decimal point and latitude first, as map sites take it when pasted.
    const QString place = QStringLiteral("GPS: %1, %2").arg(*latitude, 0, 'f', 6).arg(*longitude, 0, 'f', 6);
    const bool recorded = accuracy && *accuracy > 0;
    const double metres = std::max(1.0, std::ceil(AccuracyOrAssumed()));
    return place
        + QStringLiteral(" (\u00b1 %1 m%2)")
              .arg(metres, 0, 'f', 0)
              .arg(recorded ? QString() : QStringLiteral(" aangenomen"));
}

qint64 CameraRecord::SortKey() const
{
    const QDateTime wall(date, time, Qt::UTC);
    return wall.toMSecsSinceEpoch() - qint64(utcOffsetMinutes.value_or(0)) * 60'000;
}

double CameraRecord::DecimalYear() const
{
    if (!date.isValid())
        return 0;
    const int days = date.daysInYear();
    const double dayPart = time.isValid() ? time.msecsSinceStartOfDay() / 86'400'000.0 : 0.5;
    return date.year() + (date.dayOfYear() - 1 + dayPart) / days;
}
