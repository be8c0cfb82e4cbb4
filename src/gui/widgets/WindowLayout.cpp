#include "gui/widgets/WindowLayout.h"

#include "core/platform/AppSettings.h"

#include <QMainWindow>

bool WindowLayout::Restore(QMainWindow &window, const QString &name)
{
    const auto settings = AppSettings::Open();
    const QByteArray geometry = settings->value(name + QStringLiteral("/Geometry")).toByteArray();
    if (geometry.isEmpty() || !window.restoreGeometry(geometry))
        return false;
    window.restoreState(settings->value(name + QStringLiteral("/State")).toByteArray());
    return true;
}

void WindowLayout::Save(const QMainWindow &window, const QString &name)
{
    const auto settings = AppSettings::Open();
    settings->setValue(name + QStringLiteral("/Geometry"), window.saveGeometry());
    settings->setValue(name + QStringLiteral("/State"), window.saveState());
}
