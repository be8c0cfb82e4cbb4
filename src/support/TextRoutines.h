#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// Small stateless text routines shared by the whole program.
namespace TextRoutines {

// Pads or repeats a text to a width: mode "L" pads on the right, "R" on the
// left, "F" repeats the text; any other mode gives an empty text.
QString PadText(const QString &mode, const QString &text, const QString &pad, int width);

// True when the path begins with two backslashes or two slashes.
bool IsNetworkPath(const QString &path);

// Returns the folder with one separator appended when it does not already end
// in one ("/" on this platform; an empty text becomes "/").
QString AddTrailingBackslash(const QString &path);

// Converts a signed decimal integer that must fit in 32 bits. Leading blanks
// are allowed, nothing else. Throws TolvekError ("'x' is not a valid integer
// value") otherwise.
std::int32_t StrToInt(const QByteArray &text);

// The same, without throwing: false when the text is not a valid integer.
bool TryStrToInt(const QByteArray &text, std::int32_t &value);

} // namespace TextRoutines
