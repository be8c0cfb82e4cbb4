#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>

// Shifting or scaling every photo position at once.
class PositionChange
{
public:
    enum class Mode { Shift, Multiply };

    struct Result
    {
        // The entries rewritten up to the first bad one (all when none).
        QList<QByteArray> entries;
        // How many entries at the front of the list were rewritten.
        qsizetype changed = 0;
        // The text of the first part that is not an integer, when one was met.
        bool badEntry = false;
        QByteArray badText;
        // An entry whose new x or y would not fit a 32-bit integer.
        bool overflow = false;
        qsizetype overflowIndex = -1;
    };

    // x and y are offsets (Shift) or factors in thousandths (Multiply).
    // Nothing is changed in the input; the caller applies the result.
    static Result Apply(const QList<QByteArray> &positions, Mode mode, std::int32_t x, std::int32_t y);

    // R((factor / 1000) * value): the quotient first, halves to even.
    static std::int64_t Scale(std::int32_t factorThousandths, std::int32_t value);
};
