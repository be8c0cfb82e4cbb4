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
    QPointer<QWidget> owner(parent);
    // Also when the desktop's program fails later on: the read-me never
    // stays unopened without a word.
    DocumentOpener::OpenDocument(fileName, [owner, hadOwner = parent != nullptr, fileName] {
        if (hadOwner && !owner)
            return;
        if (!g_textWindow) {
            g_textWindow = new TTekstForm(owner);
            g_textWindow->setAttribute(Qt::WA_DeleteOnClose);
        }
        g_textWindow->ShowFile(fileName);
    });
    session.EnterProjectFolder();
}

void OpenWebAddress(const QString &address)
{
    DocumentOpener::Open(DocumentOpener::WebAddressUrl(address));
}

} // namespace SupportCommands
