#pragma once

#include <QString>

class QFile;

// A file the program is asked to read by name: the project, its map, a
// photo. A folder, a device or a pipe under such a name gets its own words
// instead of "cannot open", and is never opened for reading, so no read
// waits on a pipe nobody writes to or runs on through an endless device.
class InputFile
{
public:
    enum class Kind { File, Missing, Folder, Device, Pipe, Socket, Unreadable };

    // What lies at path, by its status alone (nothing is opened).
    static Kind KindOf(const QString &path);

    // Why a kind other than File cannot be read, as the end of a sentence
    // ("... kan niet worden gelezen: het is een map"); empty for File.
    static QString Problem(Kind kind);

    // Opens path for reading when it is a file that can be read; otherwise
    // false, with the reason in *problem. The name is opened without waiting
    // and checked on the opened descriptor, so a pipe swapped in meanwhile
    // is refused as well.
    static bool Open(QFile &file, const QString &path, QString *problem = nullptr);
};
