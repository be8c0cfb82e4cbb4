#include "app/AppIcons.h"

#include "gui/widgets/ThemeIcons.h"

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
    // Adwaita's small zoom pictures do not read as magnifiers: ours always.
    {nullptr, ":/icons/zoomin.svg"},
    {nullptr, ":/icons/zoomout.svg"},
    {nullptr, ":/icons/zoomoriginal.svg"},
    {nullptr, ":/icons/zoomfit.svg"},
};

} // namespace

QIcon AppIcons::Get(Id id)
{
    Q_INIT_RESOURCE(resources);
    const Entry &e = kEntries[id];
    const QIcon bundled(QString::fromLatin1(e.bundled));
    return e.themeName ? ThemeIcons::Get(e.themeName, bundled) : bundled;
}
