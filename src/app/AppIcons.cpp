#include "app/AppIcons.h"

#include <QFile>

namespace {

struct Entry
{
    const char *themeName;
    const char *bundled;
};

const Entry kEntries[] = {
    {"document-new", ":/icons/new.svg"},
    {"document-open", ":/icons/open.svg"},
    {"document-save", ":/icons/save.svg"},
    {"document-properties", ":/icons/project.svg"},
    {"x-office-drawing", ":/icons/map.svg"},
    {"list-add", ":/icons/addphoto.svg"},
    {"list-remove", ":/icons/deletephoto.svg"},
    {"help-browser", ":/icons/help.svg"},
    {"media-optical", ":/icons/photocd.svg"},
    {"applications-internet", ":/icons/internet.svg"},
};

void ensureTheme()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    // Outside a desktop session Qt knows no theme; Adwaita is the one installed.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
}

} // namespace

QIcon AppIcons::Get(Id id)
{
    Q_INIT_RESOURCE(resources);
    ensureTheme();
    const Entry &e = kEntries[id];
    const QIcon bundled(QString::fromLatin1(e.bundled));
    return QIcon::fromTheme(QString::fromLatin1(e.themeName), bundled);
}
