#include "gui/widgets/WindowLayout.h"

#include <QMainWindow>
#include <QSettings>

#include <memory>

namespace {

const char *const kStateKey = "hoofdvenster/indeling";
// Raised when the window's docks change so much that an old layout no
// longer fits them.
constexpr int kLayoutVersion = 1;

} // namespace

QSettings *WindowLayout::OpenSettings()
{
    return new QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tolvek"),
                         QStringLiteral("Tolvek"));
}

bool WindowLayout::Restore(QMainWindow &window)
{
    std::unique_ptr<QSettings> settings(OpenSettings());
    const QByteArray state = settings->value(QLatin1String(kStateKey)).toByteArray();
    return !state.isEmpty() && window.restoreState(state, kLayoutVersion);
}

void WindowLayout::Save(const QMainWindow &window)
{
    std::unique_ptr<QSettings> settings(OpenSettings());
    settings->setValue(QLatin1String(kStateKey), window.saveState(kLayoutVersion));
}
