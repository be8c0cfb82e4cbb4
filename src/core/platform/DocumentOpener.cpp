#include "core/platform/DocumentOpener.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMimeDatabase>
#include <QProcess>

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

namespace {

// The desktop entry registered for the file's type; empty when there is
// none (or xdg-mime is not there to ask).
QString registeredApplication(const QString &fileName)
{
    const QString type = QMimeDatabase().mimeTypeForFile(fileName).name();
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), type});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return QString();
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

} // namespace

void OpenDocument(const QString &fileName, const std::function<void()> &onFailure)
{
    if (g_handler) {
        if (!g_handler(QUrl::fromLocalFile(fileName)))
            onFailure();
        return;
    }
    // xdg-open reports success for a launch it merely attempted, and a text
    // editor meant for a terminal fails without one: ask first, and watch
    // how xdg-open ends.
    if (registeredApplication(fileName).isEmpty()) {
        onFailure();
        return;
    }
    auto *open = new QProcess(QCoreApplication::instance());
    // Quitting the program ends xdg-open if it is still waiting, not the
    // viewer it started.
    QObject::connect(open, &QProcess::errorOccurred, open, [open, onFailure](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart && !QCoreApplication::closingDown()) {
            onFailure();
            open->deleteLater();
        }
    });
    QObject::connect(open, &QProcess::finished, open, [open, onFailure](int exitCode, QProcess::ExitStatus status) {
        if ((status != QProcess::NormalExit || exitCode != 0) && !QCoreApplication::closingDown())
            onFailure();
        open->deleteLater();
    });
    open->start(QStringLiteral("xdg-open"), {fileName});
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
