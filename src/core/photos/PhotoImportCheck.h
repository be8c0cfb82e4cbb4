#pragma once

#include "core/photos/CameraRecord.h"
#include "core/photos/PhotoCopyPlan.h"

#include <QString>

// The work an import does for one file, on any thread: read it and check it
// as the photo window does before it shows a picture (kind, header, size;
// the pixels are decoded when the photo is shown, its thumbnail when its
// row is), with readCamera its EXIF, and, when the photo goes into the
// project's folder, copy it there.
class PhotoImportCheck
{
public:
    struct Job
    {
        QString source;
        bool copy = false;
        PhotoCopyPlan::Target target; // with copy
        bool readCamera = false;      // read what the camera recorded too
    };

    struct Outcome
    {
        bool ok = false;
        QString path;        // where the photo is: the source, or its copy
        bool copied = false; // a new file was made (to be removed on cancel)
        QString problem;     // why not, in Dutch, naming the file
        CameraRecord camera; // with readCamera
    };

    static Outcome Run(const Job &job);
};
