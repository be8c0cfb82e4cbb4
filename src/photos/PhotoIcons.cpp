#include "photos/PhotoIcons.h"

#include <QApplication>

QIcon PhotoIcons::Get(const char *themeName, QStyle::StandardPixmap fallback)
{
    static const bool themeReady = [] {
        if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
            QIcon::setThemeName(QStringLiteral("Adwaita"));
        return true;
    }();
    Q_UNUSED(themeReady);
    return QIcon::fromTheme(QString::fromLatin1(themeName), QApplication::style()->standardIcon(fallback));
}
