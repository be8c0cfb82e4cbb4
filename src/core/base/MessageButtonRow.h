#pragma once

#include <QList>

// The button row of the own message dialog, laid out again for the caller's
// captions: one common button width (wide enough for the widest caption, but
// at most three standard widths), a dialog wide enough for the row, and the
// row's place in the grey button strip. Pure arithmetic, so that the numbers
// can be checked without a window.
class MessageButtonRow
{
public:
    // What the base dialog measured: its buttons' height, top and width, and
    // the width of each button's caption in the dialog's font, in button order.
    struct Input
    {
        int buttonHeight = 0;
        int rowTop = 0;
        int standardWidth = 0;
        QList<int> captionWidths;
        int outerWidth = 0;
    };

    int spacing = 5;        // between buttons, and the strip's overhang
    int rowTop = 0;         // the strip's top in dialog coordinates
    int standardWidth = 50; // the base dialog's button width
    int count = 0;
    int buttonWidth = 50; // the common width of every button
    int outerWidth = 0;   // the dialog's width, widened when the row needs it
    int firstLeft = 0;    // the first button's left in strip coordinates

    static MessageButtonRow Layout(const Input &input);

    // Left of button k (0-based) in strip coordinates.
    int ButtonLeft(int k) const { return (buttonWidth + spacing) * k + firstLeft; }
};
