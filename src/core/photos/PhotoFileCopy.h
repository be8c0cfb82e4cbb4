#pragma once

#include <QByteArray>
#include <QString>

// A photo chosen in a file dialog and the name the project will store for
// it: whether that name leads back to the photo, and a copy of the photo
// into the project's folder where it does not.
class PhotoFileCopy
{
public:
    // True when storedName, resolved as a click on the map will resolve it
    // (against folder; the current folder when folder is empty), names the
    // file chosen.
    static bool Resolves(const QByteArray &storedName, const QString &folder, const QString &chosen);

    enum class Result {
        Copied,       // the photo now also lies in the folder
        AlreadyThere, // a file of that name with the same bytes was there
        Occupied,     // a different file of that name is there: left alone
        Failed,       // the copy could not be made (see reason)
    };
    // Copies chosen into folder under its own file name; never replaces a
    // file. *target is the file the photo lies in (or would have) there.
    static Result CopyInto(const QString &chosen, const QString &folder, QString *target, QString *reason);
};
