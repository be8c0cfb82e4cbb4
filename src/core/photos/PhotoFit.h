#pragma once

#include <QSize>

// The photo window's display rule for a fitted photo: the picture control's
// size and the window's new outer size, from the picture's own size and the
// window's current measurements. Pure arithmetic, so it can be checked on
// its own.
class PhotoFit
{
public:
    struct Input
    {
        QSize picture;       // pw, ph
        QSize area;          // sw, sh: the picture area's current size
        QSize frame;         // outer size minus client size (negative counts as 0)
        QSize outer;         // the window's current outer size
        int buttonSize = 25; // the tool buttons' width and height
        int toolStripHeight = 30;
        int statusBarHeight = 19;
    };

    struct Result
    {
        QSize control;       // the picture control's size
        QSize outer;         // the window's new outer size (unchanged where the rule leaves it)
        bool scaled = false; // the picture is drawn stretched to control
    };

    static Result Compute(const Input &in);

    // Nearest integer, exact halves to the even neighbour.
    static int RoundHalfEven(double value);
};
