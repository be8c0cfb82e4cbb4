#include "gui/widgets/ThemeIcons.h"

#include <QApplication>

namespace {

void ensureTheme()
{
    static const bool ready = [] {
        // Outside a desktop session Qt knows no theme; Adwaita is the one installed.
        if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
            QIcon::setThemeName(QStringLiteral("Adwaita"));
        QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
        return true;
    }();
    Q_UNUSED(ready);
}

} // namespace

QIcon ThemeIcons::Get(const char *themeName, const QIcon &fallback)
{
    ensureTheme();
    return QIcon::fromTheme(QString::fromLatin1(themeName), fallback);
}

QIcon ThemeIcons::Get(const char *themeName, QStyle::StandardPixmap fallback)
{
    return Get(themeName, QApplication::style()->standardIcon(fallback));
}
