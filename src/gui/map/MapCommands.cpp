#include "gui/map/MapCommands.h"

#include "core/base/ProgramTexts.h"
#include "core/map/MapDrawing.h"
#include "core/platform/AnsiCodec.h"
#include "core/platform/InputFile.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "gui/map/MapView.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>

MapCommands::MapCommands(ProjectHost &host, MapView *view) : m_host(host), m_view(view)
{
}

QString MapCommands::NothingToCopyText()
{
    return QStringLiteral("Er is nog geen overzichtskaart getekend, dus er is niets om te kopiëren. "
                          "Open of begin eerst een project.");
}

void MapCommands::SetLabelItem(QAction *item)
{
    m_labelItem = item;
    if (m_labelItem)
        m_labelItem->setChecked(m_labels);
}

void MapCommands::DrawMap()
{
    BusyCursor busy;
    m_host.Session().EnterProjectFolder();
    const ProjectDocument &doc = m_host.Document();
    // Everything is worked out before anything is replaced, so an error
    // leaves the metafile and the view showing the previous drawing.
    // Every change to the project ends in a redraw, so clicks on the map
    // find the index ready; the drawing shares its table of names. (The
    // index checks itself against the project, so it may be made first.)
    m_clickIndex.Build(doc);
    const QString mapPath = MapDrawing::MapFilePath(doc);
    MapScene scene = MapDrawing::Build(doc, m_labels, m_cache, mapPath, &m_clickIndex.NameKeys());
    m_metafile.SetScene(std::move(scene));
    if (m_view)
        m_view->SetScene(m_metafile.Scene());
    const QString calibrationProblem = LoadCalibration(mapPath);
    // Without its map file the map is a single pixel; say why.
    if (doc.MapFileName.isEmpty())
        m_host.ShowStatus(QStringLiteral("Geen overzichtskaart gekozen: kies er een met Gegevens > Overzichtskaart."));
    else if (InputFile::KindOf(mapPath) == InputFile::Kind::Missing)
        m_host.ShowStatus(QStringLiteral("Overzichtskaart niet gevonden: %1 (%2)")
                              .arg(AnsiCodec::toUnicode(doc.MapFileName), QDir::toNativeSeparators(mapPath)));
    else if (!m_metafile.Scene().mapProblem.isEmpty())
        m_host.ShowStatus(m_metafile.Scene().mapProblem);
    else
        m_host.ShowStatus(calibrationProblem);
}

QString MapCommands::LoadCalibration(const QString &mapPath)
{
    const QString stamp = MapCalibration::FilesStamp(mapPath);
    if (mapPath == m_calibrationFor && stamp == m_calibrationStamp)
        return QString();
    m_calibrationFor = mapPath;
    m_calibrationStamp = stamp;
    QString problem;
    m_calibration = mapPath.isEmpty() ? MapCalibration() : MapCalibration::Load(mapPath, &problem);
    if (m_calibrationListener)
        m_calibrationListener();
    return problem;
}

bool MapCommands::SetCalibration(const MapCalibration &calibration, QString *reason)
{
    m_calibration = calibration;
    if (m_calibrationFor.isEmpty())
        return true;
    const bool saved = calibration.Save(m_calibrationFor, reason);
    m_calibrationStamp = MapCalibration::FilesStamp(m_calibrationFor);
    if (m_calibrationListener)
        m_calibrationListener();
    return saved;
}

void MapCommands::Export()
{
    const ProjectSession::EnterFolderAfterwards enterFolder(m_host.Session());

    UserInteraction::FileRequest request;
    request.kind = UserInteraction::FileDialogKind::Save;
    request.parent = m_host.MainWindow();
    request.title = ExportTitle();
    request.filter = ExportFilter();
    request.initialName = m_lastExportName;
    request.folderKind = QStringLiteral("Export");
    const std::optional<QString> chosen = UserInteraction::AskFile(request);
    if (!chosen)
        return;
    m_lastExportName = *chosen;
    BusyCursor busy;
    m_metafile.SaveToFile(*chosen + QStringLiteral(".emf"));
}

void MapCommands::Copy()
{
    if (m_metafile.IsEmpty()) {
        MessageDialogs::ShowInfoMessage(ProgramTexts::AppTitle(), QString(), NothingToCopyText());
        return;
    }
    BusyCursor busy;
    const QByteArray emf = m_metafile.EmfBytes();
    const QImage image = m_metafile.RenderImage();
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        // Light compression: a scanned floor plan would take many seconds otherwise.
        image.save(&buffer, "PNG", 80);
    }
    auto *data = new QMimeData;
    data->setData(QStringLiteral("image/x-emf"), emf);
    data->setData(QStringLiteral("image/png"), png);
    data->setImageData(image);
    QGuiApplication::clipboard()->setMimeData(data);
}

void MapCommands::ToggleLabels()
{
    m_labels = !m_labels;
    if (m_labelItem)
        m_labelItem->setChecked(m_labels);
    DrawMap();
}

QSize MapCommands::MapSize() const
{
    return m_view && m_view->HasPicture() ? m_view->Scene().size : QSize(1, 1);
}
