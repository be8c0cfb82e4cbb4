#pragma once

#include <QByteArray>
#include <cstdint>

class PhotoIndex;
class ProjectDocument;

// What a mouse-button release on the map finds: the photo whose hit square
// holds the point, its name and notes. The main window then opens it in a
// photo window or, in a delete pick, hands it to the delete-photo dialog.
class MapClick
{
public:
    // What a click at (x, y) in map pixels finds in doc: the hit test on the
    // positions, then the photo's name entry and, unless the click picks a
    // photo to delete, its notes. Opens nothing, so it can be measured on
    // its own. A photo entry with a key, x or y that is not an integer
    // throws TolvekError (ending the click). index (when given and still
    // current for doc) spares the walks through the lists.
    struct Target
    {
        bool found = false;      // a photo was hit and it has a name entry
        std::int32_t number = 0; // the photo's key
        QByteArray fileName;
        QByteArray notes;     // not looked up for a delete pick
        QByteArray deleteKey; // the name entry's key text, for a delete pick
    };
    static Target Find(const ProjectDocument &doc, std::int32_t x, std::int32_t y, bool deletePick,
                       const PhotoIndex *index = nullptr);
};
