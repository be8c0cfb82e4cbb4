#pragma once

#include <QByteArray>
#include <cstdint>

class PhotoIndex;
class ProjectDocument;
class ProjectHost;
class QWidget;
class TFotoToevoegenForm;
class TFotoVerwijderenForm;

// What a mouse-button release on the map does: serve a position pick for the
// add-photo dialog, then find the photo whose hit square holds the point and
// either open it in a photo window or, in a delete pick, hand it to the
// delete-photo dialog. The main window calls this from its map's release
// handler with the point in map pixels; which button was released makes no
// difference.
class MapClick
{
public:
    // A photo entry with a key, x or y that is not an integer throws
    // TolvekError (ending the click); the busy pointer is restored first.
    static void Handle(ProjectHost &host, TFotoToevoegenForm &addForm, TFotoVerwijderenForm &deleteForm,
                       std::int32_t x, std::int32_t y);

    // What a click at (x, y) finds in doc: the hit test on the positions,
    // then the photo's name entry and, unless the click picks a photo to
    // delete, its notes. Opens nothing, so it can be measured on its own.
    // Throws TolvekError as Handle does. index (when given and still current
    // for doc) spares the walks through the lists.
    struct Target
    {
        bool found = false;        // a photo was hit and it has a name entry
        std::int32_t number = 0;   // the photo's key
        QByteArray fileName;
        QByteArray notes;          // not looked up for a delete pick
        QByteArray deleteKey;      // the name entry's key text, for a delete pick
    };
    static Target Find(const ProjectDocument &doc, std::int32_t x, std::int32_t y, bool deletePick,
                       const PhotoIndex *index = nullptr);

    // The map's pointer while the pointer moves: a crosshair during a pick.
    static void UpdatePointer(const ProjectHost &host, QWidget *map);
};
