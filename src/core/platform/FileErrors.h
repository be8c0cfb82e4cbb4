#pragma once

#include <QString>

// The reason a file operation failed, from its errno, in the program's
// language for the usual cases and in the system's words for the rest.
class FileErrors
{
public:
    static QString Text(int error);
};
