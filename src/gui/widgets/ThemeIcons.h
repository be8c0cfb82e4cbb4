#pragma once

#include <QIcon>
#include <QStyle>

// Pictures of menu items and tool buttons: from the desktop's icon theme
// where it has them (Adwaita outside a desktop session, which sets none),
// else the fallback given.
class ThemeIcons
{
public:
    static QIcon Get(const char *themeName, const QIcon &fallback);
    // The fallback is the style's own standard picture.
    static QIcon Get(const char *themeName, QStyle::StandardPixmap fallback);
};
