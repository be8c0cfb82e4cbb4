#include "gui/map/GisExportCommand.h"

#include "core/base/ProgramTexts.h"
#include "core/map/MapCalibration.h"
#include "core/photos/PhotoMetadataCache.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "gui/photos/CameraRecordReading.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"

#include <QDir>
#include <QFileInfo>

QString GisExportCommand::Title(GeoPhotoExport::Format format)
{
    return format == GeoPhotoExport::Format::GeoJson ? QStringLiteral("Exporteren als GeoJSON")
                                                     : QStringLiteral("Exporteren als KML");
}

void GisExportCommand::Run(ProjectHost &host, PhotoMetadataCache &metadata, const MapCalibration &calibration,
                           GeoPhotoExport::Format format, const std::optional<GeoPhotoExport::Plan> &plan)
{
    if (!calibration.IsGeoreferenced()) {
        MessageDialogs::ShowInfoMessage(ProgramTexts::AppTitle(), Title(format), GeoPhotoExport::NotGeoreferencedText(),
                                        QStringLiteral("&OK"));
        return;
    }
    const ProjectDocument &doc = host.Session().Document();
    const bool json = format == GeoPhotoExport::Format::GeoJson;
    const QString suffix = json ? QStringLiteral("geojson") : QStringLiteral("kml");
    UserInteraction::FileRequest request;
    request.kind = UserInteraction::FileDialogKind::Save;
    request.parent = host.MainWindow();
    request.title = Title(format);
    request.filter = json ? QStringLiteral("GeoJSON-bestanden (*.geojson)|*.geojson")
                          : QStringLiteral("KML-bestanden (*.kml)|*.kml");
    const QString base =
        doc.CurrentFileName.isEmpty() ? QStringLiteral("fotos") : QFileInfo(doc.CurrentFileName).completeBaseName();
    request.initialName = base + QLatin1Char('.') + suffix;
    request.directory = doc.ProjectFolder();
    request.suffixFromFilter = true;
    const std::optional<QString> chosen = UserInteraction::AskFile(request);
    if (!chosen)
        return;
    QString name = *chosen;
    if (GeoPhotoExport::FormatFor(name) != format)
        name += QLatin1Char('.') + suffix;

    std::optional<GeoPhotoExport::Plan> overlay;
    if (!json && plan) {
        // The KML names the map by its place on this computer: said here, so
        // that whoever passes the file on takes the map along.
        const int answer = MessageDialogs::AskYesNoCancel(
            ProgramTexts::AppTitle(), Title(format),
            QStringLiteral("Ook de overzichtskaart zelf opnemen? Google Earth legt haar dan onder de foto's. Het "
                           "KML-bestand verwijst naar \"%1\": geef dat bestand mee als u het KML-bestand doorgeeft.")
                .arg(QDir::toNativeSeparators(plan->path)),
            QStringLiteral("&Ja"), QStringLiteral("&Nee"), QStringLiteral("&Annuleren"), MessageDialogs::Yes);
        if (answer == MessageDialogs::ResultCancel)
            return;
        if (answer == MessageDialogs::ResultYes)
            overlay = plan;
    }

    // Read off the GUI thread, so the window stays alive on a slow share.
    const QString folder = CameraRecordReading::Folder(doc);
    if (!CameraRecordReading::ReadAll(metadata, CameraRecordReading::StoredNames(doc), folder, host.MainWindow(),
                                      Title(format), QStringLiteral("De opnametijden van de foto's worden gelezen...")))
        return;
    BusyCursor busy;
    GeoPhotoExport::Write(
        doc, calibration, format,
        [&](const QString &storedName, const QString &) -> std::optional<CameraRecord> {
            const PhotoMetadataCache::Metadata known = metadata.Known(storedName, folder);
            if (known.state != PhotoMetadataCache::State::Ready)
                return std::nullopt;
            return known.record;
        },
        name, overlay);
    host.ShowStatus(QStringLiteral("De foto's zijn geschreven naar '%1'.").arg(QDir::toNativeSeparators(name)));
}
