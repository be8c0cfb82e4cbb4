#include "support/SupportCommands.h"

#include "platform/DocumentOpener.h"
#include "project/ProjectHost.h"
#include "support/TTekstForm.h"

#include <QPointer>
#include <QUrl>

namespace SupportCommands {

namespace {
QPointer<TTekstForm> g_textWindow;
}

void OpenReadMe(ProjectHost &host, const QString &programFolder)
{
    const QString fileName = programFolder + QStringLiteral("LeesMij.txt");
    if (!DocumentOpener::Open(QUrl::fromLocalFile(fileName))) {
        if (!g_textWindow) {
            g_textWindow = new TTekstForm(host.MainWindow());
            g_textWindow->setAttribute(Qt::WA_DeleteOnClose);
        }
        g_textWindow->ShowFile(fileName);
    }
    host.EnterProjectFolder();
}

void OpenWebAddress(const QString &address)
{
    DocumentOpener::Open(DocumentOpener::WebAddressUrl(address));
}

} // namespace SupportCommands
