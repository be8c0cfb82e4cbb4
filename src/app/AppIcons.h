#pragma once

#include <QIcon>

// The pictures of the menu items and tool buttons: from the desktop's icon
// theme where it has them, else our own bundled drawings.
class AppIcons
{
public:
    enum Id {
        New,
        Open,
        Save,
        ProjectData,
        Map,
        AddPhoto,
        DeletePhoto,
        Help,
        PhotoCd,
        Internet,
        ZoomIn,
        ZoomOut,
        ActualSize,
        FitMap
    };

    static QIcon Get(Id id);
};
