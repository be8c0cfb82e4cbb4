#pragma once

#include "core/platform/FolderNames.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>

// Small stateless text routines shared by the whole program.
namespace TextRoutines {

// Pads or repeats a text to a width: mode "L" pads on the right, "R" on the
// left, "F" repeats the text; any other mode gives an empty text.
QString PadText(const QString &mode, const QString &text, const QString &pad, int width);

// Folder names as this platform writes them (core/platform/FolderNames).
using FolderNames::AddTrailingBackslash;
using FolderNames::IsNetworkPath;

// Converts a signed decimal integer that must fit in 32 bits. Leading blanks
// are allowed, nothing else. Throws TolvekError ("'x' is not a valid integer
// value") otherwise.
std::int32_t StrToInt(QByteArrayView text);

// The same, without throwing: false when the text is not a valid integer.
bool TryStrToInt(QByteArrayView text, std::int32_t &value);

} // namespace TextRoutines
