#pragma once

#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

// What the camera wrote into a photo file about when, where and which way:
// every field is as recorded, or absent. Nothing is guessed: a photo
// without a recorded time has none here, whatever the file's dates say.
struct CameraRecord
{
    // When the photo was taken, on the camera's clock: the local wall time,
    // with milliseconds when the camera recorded fractions of a second.
    QDate date;
    QTime time;
    // Minutes east of UTC of that clock, when the camera said.
    std::optional<int> utcOffsetMinutes;

    // Which way the camera looked, degrees clockwise from north, [0, 360).
    std::optional<double> direction;
    // 'T' for true north, 'M' for magnetic north.
    char directionRef = 'T';

    // Where: WGS84 degrees, north and east positive.
    std::optional<double> latitude;
    std::optional<double> longitude;
    // The horizontal error of that position in metres, when recorded.
    std::optional<double> accuracy;
    // Taken where a camera recorded none: a phone in a built-up area is
    // often off by 7 to 13 m, more indoors.
    static constexpr double AssumedAccuracy = 10;

    QString make;
    QString model;

    bool HasTime() const { return date.isValid() && time.isValid(); }
    bool HasPosition() const { return latitude && longitude; }
    bool HasDirection() const { return direction.has_value(); }
    bool IsEmpty() const;

    // The time as a Dutch reader writes it ("7 dec. 2026 14:03"); empty
    // without a time.
    QString TimeText() const;
    // "GPS: 52.090740, 5.121420 (± 5 m)", the error rounded up to whole
    // metres; "(± 10 m aangenomen)" when the camera recorded none; empty
    // without a position.
    QString PlaceText() const;
    // The recorded error, else the assumed one.
    double AccuracyOrAssumed() const { return accuracy && *accuracy > 0 ? *accuracy : AssumedAccuracy; }
    // A number that orders photos by when they were taken: milliseconds
    // since 1970 in UTC when the offset is known, else the wall time read
    // as UTC (the best order photos of one trip can get). Only meaningful
    // with HasTime().
    qint64 SortKey() const;
    // The year with its fraction (2026.93), for the magnetic model.
    double DecimalYear() const;

    bool operator==(const CameraRecord &) const = default;
};
