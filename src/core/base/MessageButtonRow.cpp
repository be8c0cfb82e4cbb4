#include "core/base/MessageButtonRow.h"

MessageButtonRow MessageButtonRow::Layout(const Input &input)
{
    MessageButtonRow row;
    row.count = static_cast<int>(input.captionWidths.size());
    if (row.count > 0) {
        row.spacing = input.buttonHeight / 3;
        row.rowTop = input.rowTop;
        row.standardWidth = input.standardWidth;
    }

    // Only a caption wider than the width reached so far widens the buttons,
    // and then to its own width plus one spacing.
    row.buttonWidth = row.standardWidth;
    for (int width : input.captionWidths) {
        if (width > row.buttonWidth)
            row.buttonWidth = width + row.spacing;
    }
    if (row.buttonWidth > 3 * row.standardWidth)
        row.buttonWidth = 3 * row.standardWidth;

    const int needed = (row.buttonWidth + row.spacing) * row.count + 2 * row.spacing;
    row.outerWidth = input.outerWidth < needed ? needed : input.outerWidth;

    // Integer division truncates toward zero on purpose: the row then sits
    // where the dialog has always put it.
    const int rowWidth = row.count * row.buttonWidth + (row.count - 1) * row.spacing;
    row.firstLeft = (row.outerWidth - rowWidth) / 2 + row.spacing / 2 + 1;
    return row;
}
