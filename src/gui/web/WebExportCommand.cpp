#include "gui/web/WebExportCommand.h"

#include "core/base/ProgramTexts.h"
#include "core/base/TolvekError.h"
#include "core/map/MapDrawing.h"
#include "core/map/MapImageCache.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "core/web/WebExport.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <memory>
#include <new>

namespace {

// The folder chosen last in this program run: the next export starts there.
QString g_lastFolder;

QString Native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString ClosingText(const WebExportFolder::Target &target, const WebExport::Result &result)
{
    QString text = QStringLiteral("De fotokaart staat als webpagina in \"%1\". Open die pagina in een "
                                  "webbrowser, of geef de hele map door.")
                       .arg(Native(target.PagePath()));
    if (!result.missing.isEmpty()) {
        text += QStringLiteral("\r\rDeze foto's ontbreken of konden niet worden gelezen; de pagina toont er een "
                               "vervangend plaatje voor:");
        const qsizetype shown = std::min<qsizetype>(result.missing.size(), 15);
        for (qsizetype i = 0; i < shown; ++i)
            text += QStringLiteral("\r- ") + result.missing[i];
        if (result.missing.size() > shown)
            text += QStringLiteral("\r... en nog %1.").arg(result.missing.size() - shown);
    }
    return text;
}

} // namespace

void WebExportCommand::Run(ProjectHost &host, MapImageCache &cache, bool labels,
                           const std::optional<MapGeoreference> &georeference)
{
    const ProjectSession::EnterFolderAfterwards enterFolder(host.Session());

    const ProjectDocument &doc = host.Document();
    UserInteraction::FileRequest request;
    request.kind = UserInteraction::FileDialogKind::Folder;
    request.parent = host.MainWindow();
    request.title = Title();
    request.directory = g_lastFolder.isEmpty() ? doc.ProjectFolder() : g_lastFolder;
    // Off each time: the page is for others, and the photos' metadata may
    // tell where the user lives.
    bool keepMetadata = false;
    request.option = QStringLiteral("Foto-gegevens (EXIF) &meenemen");
    request.optionChecked = &keepMetadata;
    const std::optional<QString> chosen = UserInteraction::AskFile(request);
    if (!chosen || chosen->isEmpty())
        return;
    g_lastFolder = *chosen;
    const bool existed = QFileInfo(*chosen).isDir();
    const WebExportFolder::Target target = WebExportFolder::ForFolder(*chosen);

    switch (WebExportFolder::Inspect(target)) {
    case WebExportFolder::State::Occupied:
        MessageDialogs::ShowWarningMessage(ProgramTexts::AppTitle(), QString(), WebExport::OccupiedText(target),
                                           QStringLiteral("&OK"));
        return;
    case WebExportFolder::State::PreviousExport:
        if (MessageDialogs::AskYesNoCancel(
                ProgramTexts::AppTitle(), QStringLiteral("Webpagina vervangen?"),
                QStringLiteral("De map \"%1\" bevat al een webpagina van dit programma.").arg(Native(target.folder)),
                QStringLiteral("&Vervangen"), QStringLiteral("&Niet vervangen"), QStringLiteral("&Annuleren"),
                MessageDialogs::No)
            != MessageDialogs::ResultYes)
            return;
        break;
    case WebExportFolder::State::Free:
        break;
    }

    // The drawing is worked out here, where its fonts may be measured; the
    // rest runs beside the event loop so that the progress stays live and
    // Cancel answers at once.
    auto scene = std::make_shared<MapScene>();
    {
        BusyCursor busy;
        *scene = MapDrawing::Build(doc, labels, cache, MapDrawing::MapFilePath(doc));
    }
    auto copy = std::make_shared<ProjectDocument>(doc);
    WebExport::Options options;
    options.keepMetadata = keepMetadata;
    options.georeference = georeference;
    // What the dialog showed and is gone now went with a disk or share.
    options.missing = existed ? WebExportFolder::Missing::Refuse : WebExportFolder::Missing::MakeFolder;
    auto progress = std::make_shared<WebExport::Progress>();
    auto result = std::make_shared<WebExport::Result>();
    auto error = std::make_shared<QString>();
    std::unique_ptr<QThread> worker(QThread::create([=] {
        try {
            *result = WebExport::Prepare(*copy, *scene, target, *progress, options);
        } catch (const TolvekError &e) {
            *error = e.message();
        } catch (const std::bad_alloc &) {
            *error = QStringLiteral("Onvoldoende geheugen om de webpagina te maken.");
        }
    }));

    // Busy, but the Cancel button answers: the arrow with the hourglass.
    struct WorkingCursor
    {
        WorkingCursor() { QApplication::setOverrideCursor(QCursor(Qt::BusyCursor)); }
        ~WorkingCursor() { QApplication::restoreOverrideCursor(); }
    } working;
    QProgressDialog dialog(host.MainWindow());
    dialog.setObjectName(QStringLiteral("WebExportProgress"));
    dialog.setWindowTitle(ProgramTexts::AppTitle());
    dialog.setLabelText(
        QStringLiteral("De fotokaart wordt als webpagina geschreven in\n\"%1\".").arg(Native(target.folder)));
    auto *cancel = new QPushButton(QStringLiteral("&Annuleren"), &dialog);
    dialog.setCancelButton(cancel);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(0);
    dialog.setRange(0, 0);
    dialog.setMinimumWidth(420);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        const int total = progress->total;
        if (total > 0 && dialog.maximum() != total)
            dialog.setRange(0, total);
        if (total > 0)
            dialog.setValue(std::min(progress->done.load(), total));
    });
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] { progress->cancelled = true; });
    QObject::connect(worker.get(), &QThread::finished, &dialog, [&] { dialog.done(QDialog::Accepted); });
    poll.start(100);
    worker->start();
    UserInteraction::ExecModal(&dialog);
    if (dialog.result() != QDialog::Accepted || dialog.wasCanceled())
        progress->cancelled = true; // closed before the end: stop and remove what was written
    worker->wait();
    poll.stop();

    if (result->pending) {
        if (progress->cancelled) {
            result->pending.reset(); // removes what was written
            return;
        }
        try {
            result->pending->Commit();
        } catch (const TolvekError &e) {
            *error = e.message();
        }
        result->pending.reset();
    }
    if (!error->isEmpty()) {
        MessageDialogs::ShowWarningMessage(ProgramTexts::AppTitle(), QString(),
                                           QStringLiteral("De webpagina is niet gemaakt. ") + *error,
                                           QStringLiteral("&OK"));
        return;
    }
    if (result->cancelled)
        return;
    MessageDialogs::ShowInfoMessage(ProgramTexts::AppTitle(), QString(), ClosingText(target, *result),
                                    QStringLiteral("&OK"));
}
