#pragma once

#include <QString>

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

// The orders of the photo list: by photo number, by file name, or by the
// time the camera recorded (photos without a time last). Each keeps photos
// that compare equal in the order of the position list.
class PhotoListOrder
{
public:
    enum class By { Number, Name, Time };

    // What a photo is ordered by; only the field of the order is read.
    struct Item
    {
        std::optional<std::int32_t> number;
        QString name;
        std::optional<qint64> time; // CameraRecord::SortKey
    };

    // Sorts positions (indices into items) by items[position].
    static void Sort(std::vector<qsizetype> &positions, By by, const std::vector<Item> &items);

    // The time order from keys made once (keys[position]: SortKey, or
    // NoTime): ascending, equal keys in the order positions had.
    static constexpr qint64 NoTime = std::numeric_limits<qint64>::max();
    static void SortByKey(std::vector<qsizetype> &positions, const std::vector<qint64> &keys);

    // The order's name in the settings, and back (Number for anything else).
    static QString SettingName(By by);
    static By FromSettingName(const QString &name);
};
