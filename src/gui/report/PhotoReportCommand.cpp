#include "gui/report/PhotoReportCommand.h"

#include "core/base/ProgramTexts.h"
#include "core/base/TolvekError.h"
#include "core/map/MapDrawing.h"
#include "core/map/MapImageCache.h"
#include "core/project/ProjectSession.h"
#include "core/report/ReportLayout.h"
#include "core/report/ReportWriter.h"
#include "gui/project/ProjectHost.h"
#include "gui/report/TFotorapportForm.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"

#include <QApplication>
#include <QDir>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <memory>
#include <new>

void PhotoReportCommand::Run(ProjectHost &host, MapImageCache &cache, const QList<qsizetype> &selected,
                             const QList<qsizetype> &filtered)
{
    const ProjectDocument &doc = host.Document();
    MapScene scene;
    {
        BusyCursor busy;
        scene = MapDrawing::Build(doc, false, cache, MapDrawing::MapFilePath(doc));
    }
    try {
        ReportWriter::RequireMap(scene);
    } catch (const TolvekError &e) {
        MessageDialogs::ShowWarningMessage(ProgramTexts::AppTitle(), QString(),
                                           QStringLiteral("Het fotorapport kan niet worden gemaakt. ") + e.message(),
                                           QStringLiteral("&OK"));
        return;
    }
    TFotorapportForm form(host, scene, selected, filtered, host.MainWindow());
    UserInteraction::ExecModal(&form);
}

bool PhotoReportCommand::Write(QWidget *parent, const ReportLayout &layout, const MapScene &scene,
                               const QString &fileName)
{
    auto progress = std::make_shared<ReportWriter::Progress>();
    auto result = std::make_shared<ReportWriter::Result>();
    auto error = std::make_shared<QString>();
    std::unique_ptr<QThread> worker(QThread::create([=, &layout, &scene] {
        try {
            *result = ReportWriter::Write(layout, scene, fileName, *progress);
        } catch (const TolvekError &e) {
            *error = e.message();
        } catch (const std::bad_alloc &) {
            *error = QStringLiteral("Onvoldoende geheugen om het fotorapport te maken.");
        }
    }));

    // Busy, but the Cancel button answers.
    struct WorkingCursor
    {
        WorkingCursor() { QApplication::setOverrideCursor(QCursor(Qt::BusyCursor)); }
        ~WorkingCursor() { QApplication::restoreOverrideCursor(); }
    } working;
    QProgressDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ReportProgress"));
    dialog.setWindowTitle(ProgramTexts::AppTitle());
    dialog.setLabelText(
        QStringLiteral("Het fotorapport wordt geschreven in\n\"%1\".").arg(QDir::toNativeSeparators(fileName)));
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
        progress->cancelled = true; // closed before the end: nothing is kept
    worker->wait();
    poll.stop();

    if (!error->isEmpty()) {
        MessageDialogs::ShowWarningMessage(ProgramTexts::AppTitle(), QString(),
                                           QStringLiteral("Het fotorapport is niet gemaakt. ") + *error,
                                           QStringLiteral("&OK"));
        return false;
    }
    if (result->cancelled || progress->cancelled)
        return false;
    QString text = QStringLiteral("Het fotorapport (%1 pagina's) staat in \"%2\".")
                       .arg(result->pages)
                       .arg(QDir::toNativeSeparators(fileName));
    if (!result->missing.isEmpty()) {
        text += result->missing.size() == 1
            ? QStringLiteral("\r\rEen foto ontbrak of kon niet worden gelezen; het rapport toont er een vervangend "
                             "vak voor:")
            : QStringLiteral("\r\r%1 foto's ontbraken of konden niet worden gelezen; het rapport toont er een "
                             "vervangend vak voor:")
                  .arg(result->missing.size());
        const qsizetype shown = std::min<qsizetype>(result->missing.size(), 15);
        for (qsizetype i = 0; i < shown; ++i)
            text += QStringLiteral("\r- ") + result->missing[i];
        if (result->missing.size() > shown)
            text += QStringLiteral("\r... en nog %1.").arg(result->missing.size() - shown);
    }
    MessageDialogs::ShowInfoMessage(ProgramTexts::AppTitle(), QString(), text, QStringLiteral("&OK"));
    return true;
}
