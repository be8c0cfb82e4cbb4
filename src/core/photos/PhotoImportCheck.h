#pragma once

#include "core/photos/PhotoCopyPlan.h"

#include <QImage>
#include <QString>

// The work an import does for one file, on any thread: read it as the photo
// window would, decode its thumbnail (which is the check that the picture
// can really be shown, not only its header) and, when the photo goes into
// the project's folder, copy it there.
class PhotoImportCheck
{
public:
    struct Job
    {
        QString source;
        bool copy = false;
        PhotoCopyPlan::Target target; // with copy
        int thumbnailSide = 256;
    };

    struct Outcome
    {
        bool ok = false;
        QString path;      // where the photo is: the source, or its copy
        bool copied = false; // a new file was made (to be removed on cancel)
        QString problem;   // why not, in Dutch, naming the file
        QImage thumbnail;
    };

    static Outcome Run(const Job &job);
};
