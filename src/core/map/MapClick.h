#pragma once

#include "core/project/PhotoLookup.h"

#include <QByteArray>
#include <cstdint>
#include <optional>

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

    // The same with the hit test over an area of the map (a zoomed view's
    // click, see MapZoom::HitArea).
    static Target Find(const ProjectDocument &doc, const PhotoLookup::Area &area, bool deletePick,
                       const PhotoIndex *index = nullptr);

    // The entry in PositionList a click on area hits, without throwing:
    // -1 when none does, nothing when the lists have a number that is not
    // an integer in the way (the click itself would report it). For the
    // pointer and the hover, which must not end in an error box.
    static std::optional<qsizetype> TryHit(const ProjectDocument &doc, const PhotoLookup::Area &area,
                                           const PhotoIndex *index);

    // Every entry in PositionList that a click on area hits, in list order
    // (where triangles overlap the user chooses); entries whose x or y is
    // not an integer are passed by.
    static QList<qsizetype> AllHits(const ProjectDocument &doc, const PhotoLookup::Area &area);
};
