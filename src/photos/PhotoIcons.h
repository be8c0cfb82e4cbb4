#pragma once

#include <QIcon>
#include <QStyle>

// Pictures for the photo window's and photo dialogs' tool buttons: from the
// desktop's icon theme (Adwaita outside a desktop session), else the style's
// own standard picture.
class PhotoIcons
{
public:
    static QIcon Get(const char *themeName, QStyle::StandardPixmap fallback);
};
