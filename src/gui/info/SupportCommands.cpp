#include "gui/info/SupportCommands.h"

#include "core/platform/DocumentOpener.h"
#include "core/project/ProjectSession.h"
#include "gui/info/TTekstForm.h"

#include <QPointer>
#include <QUrl>

namespace SupportCommands {

namespace {
QPointer<TTekstForm> g_textWindow;
}

void OpenReadMe(QWidget *parent, const ProjectSession &session, const QString &programFolder)
{
    const QString fileName = programFolder + QStringLiteral("LeesMij.txt");
    if (!DocumentOpener::Open(QUrl::fromLocalFile(fileName))) {
        if (!g_textWindow) {
            g_textWindow = new TTekstForm(parent);
            g_textWindow->setAttribute(Qt::WA_DeleteOnClose);
        }
        g_textWindow->ShowFile(fileName);
    }
    session.EnterProjectFolder();
}

void OpenWebAddress(const QString &address)
{
    DocumentOpener::Open(DocumentOpener::WebAddressUrl(address));
}

} // namespace SupportCommands
