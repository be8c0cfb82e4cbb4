#pragma once

#include <QString>

// How folder names are written on this platform: "/" separates folders
// (where the program's design says a folder ends in a backslash, it ends in
// "/" here), and a network path begins with two backslashes or "//".
namespace FolderNames {

// True when the path begins with two backslashes or two slashes.
bool IsNetworkPath(const QString &path);

// Returns the folder with one separator appended when it does not already end
// in one ("/" on this platform; an empty text becomes "/").
QString AddTrailingBackslash(const QString &path);

} // namespace FolderNames
