#pragma once

#include <QPoint>
#include <cstdint>

class MapZoom;
class PhotoIndex;
class ProjectHost;
class TFotoToevoegenForm;
class TFotoVerwijderenForm;

// What a mouse-button release on the map does: serve a position pick for
// the add-photo dialog, then find the photo whose hit square holds the point
// (MapClick) and either open it in a photo window or, in a delete pick, hand
// it to the delete-photo dialog. The main window calls this from its map's
// release handler with the point in map pixels; which button was released
// makes no difference.
class MapClickHandler
{
public:
    // A photo entry with a key, x or y that is not an integer throws
    // TolvekError (ending the click); the busy pointer is restored first.
    // index: the map's click index, when there is one.
    static void Handle(ProjectHost &host, TFotoToevoegenForm &addForm, TFotoVerwijderenForm &deleteForm, std::int32_t x,
                       std::int32_t y, const PhotoIndex *index = nullptr);

    // The same for a release on viewPixel of a view at zoom: the map point
    // under it for the position pick, the hit test as the zoom has it
    // (MapZoom::HitArea).
    static void Handle(ProjectHost &host, TFotoToevoegenForm &addForm, TFotoVerwijderenForm &deleteForm,
                       const MapZoom &zoom, QPoint viewPixel, const PhotoIndex *index = nullptr);
};
