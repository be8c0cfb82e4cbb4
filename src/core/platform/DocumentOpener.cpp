#include "core/platform/DocumentOpener.h"

#include <QDesktopServices>

namespace DocumentOpener {

namespace {
Handler g_handler;
}

bool Open(const QUrl &url)
{
    if (g_handler)
        return g_handler(url);
    return QDesktopServices::openUrl(url);
}

void SetHandler(Handler handler)
{
    g_handler = std::move(handler);
}

QUrl WebAddressUrl(const QString &address)
{
    const QString trimmed = address.trimmed();
    if (trimmed.contains(QLatin1String("://")) || trimmed.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive))
        return QUrl(trimmed);
    return QUrl(QStringLiteral("http://") + trimmed);
}

} // namespace DocumentOpener
