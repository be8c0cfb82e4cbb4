#include "gui/map/PhotoListCommands.h"

#include "core/base/ProgramTexts.h"
#include "core/base/TolvekError.h"
#include "core/map/GpsPlacement.h"
#include "core/map/MapClick.h"
#include "core/project/DeletePhotosEdit.h"
#include "core/project/PhotoEntry.h"
#include "core/project/PhotoLookup.h"
#include "core/project/PhotoRecord.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "gui/map/MapCommands.h"
#include "gui/map/MapScrollBox.h"
#include "gui/map/MapView.h"
#include "gui/photos/PhotoListDock.h"
#include "gui/photos/TFotoForm.h"
#include "gui/photos/TFotoKijkerForm.h"
#include "gui/photos/TFotoVerwijderenForm.h"
#include "gui/photos/TOntbrekendeFotosForm.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/GeneralError.h"
#include "gui/widgets/MessageDialogs.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMainWindow>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QTimer>
#include <QUrl>

PhotoListCommands::PhotoListCommands(ProjectHost &host, QMainWindow *window, MapScrollBox *scrollBox, MapView *view,
                                     MapCommands &map, ThumbnailCache &thumbnails)
    : m_host(host),
      m_window(window),
      m_scrollBox(scrollBox),
      m_view(view),
      m_map(map),
      m_import(std::make_unique<PhotoImport>(host))
{
    m_dock = new PhotoListDock(host.Session(), thumbnails, window);
    connect(m_dock, &PhotoListDock::SelectionChanged, this, &PhotoListCommands::ListSelectionChanged);
    connect(m_dock, &PhotoListDock::OpenRequested, this,
            [this](qsizetype position) { GeneralError::Run([this, position] { OpenPhoto(position); }); });
    connect(m_dock, &PhotoListDock::DeleteRequested, this, [this](const QList<qsizetype> &positions) {
        GeneralError::Run([this, &positions] { DeletePhotos(positions); });
    });
    // Of photos on one spot, the one chosen is the list's too.
    connect(&m_host, &ProjectHost::PhotoChosen, this, [this](qsizetype position) {
        const QScopedValueRollback<bool> clicked(m_selectingFromMap, true);
        if (m_dock)
            m_dock->SelectPositions({position});
    });
    // The viewer steps through the photos as the list shows them.
    m_host.SetPhotoOrder([this] { return m_dock ? m_dock->ShownPositions() : QList<qsizetype>(); });
    m_viewAction = new QAction(QStringLiteral("Foto &groot bekijken"), this);
    m_viewAction->setObjectName(QStringLiteral("FotoBekijken1"));
    m_viewAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    connect(m_viewAction, &QAction::triggered, this, [this] { GeneralError::Run([this] { ViewPhoto(); }); });
    connect(view, &MapView::MouseUp, this,
            [this](Qt::MouseButton, Qt::KeyboardModifiers, const QPoint &point, const QPoint &viewPixel) {
                MapClicked(point, viewPixel);
            });
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

PhotoListCommands::~PhotoListCommands()
{
    // The list reads the project and the thumbnails: it goes first.
    delete m_mendForm;
    delete m_dock;
}

std::int32_t PhotoListCommands::Direction() const
{
    return m_direction ? m_direction() : 90;
}

QSize PhotoListCommands::MapSize() const
{
    return m_view && m_view->HasPicture() ? m_view->Scene().size : QSize(1, 1);
}

QPoint PhotoListCommands::VisibleMapCentre() const
{
    if (!m_view || !m_scrollBox)
        return QPoint(1, 1);
    QWidget *viewport = m_scrollBox->viewport();
    const QRect shown(m_view->mapFrom(viewport, QPoint(0, 0)), viewport->size());
    const QRect onMap = shown.intersected(m_view->rect());
    return m_view->WidgetToMap((onMap.isEmpty() ? shown : onMap).center());
}

std::optional<QPoint> PhotoListCommands::MapPointAt(const QPoint &windowPoint) const
{
    if (!m_view || !m_scrollBox || !m_window)
        return std::nullopt;
    QWidget *viewport = m_scrollBox->viewport();
    if (!viewport->rect().contains(viewport->mapFrom(m_window.data(), windowPoint)))
        return std::nullopt;
    return m_view->WidgetToMap(m_view->mapFrom(m_window.data(), windowPoint));
}

PhotoImport::Placement PhotoListCommands::CentredPlacement() const
{
    PhotoImport::Placement placement;
    placement.point = VisibleMapCentre();
    placement.centred = true;
    placement.mapSize = MapSize();
    placement.north = m_map.Calibration().North();
    if (!m_map.MapPath().isEmpty() && m_map.Calibration().IsGeoreferenced())
        placement.gpsPlaces = [georef = m_map.Calibration().georeference,
                               size = placement.mapSize](const QList<CameraRecord> &cameras) {
            return GpsPlacement::Place(georef, size, cameras).places;
        };
    return placement;
}

void PhotoListCommands::ImportFiles()
{
    SelectAdded(m_import->ImportFiles(CentredPlacement(), Direction()));
}

void PhotoListCommands::ImportFolder()
{
    SelectAdded(m_import->ImportFolder(CentredPlacement(), Direction()));
}

void PhotoListCommands::FindMissing()
{
    if (!m_mendForm)
        m_mendForm = new TOntbrekendeFotosForm(m_host, m_window);
    m_mendForm->Execute();
}

void PhotoListCommands::FocusFilter()
{
    m_dock->FocusFilter();
}

void PhotoListCommands::SelectAdded(const std::optional<PhotoImport::Added> &added)
{
    if (!added || added->count <= 0)
        return;
    QList<qsizetype> positions;
    positions.reserve(added->count);
    for (int i = 0; i < added->count; ++i)
        positions.append(added->first + i);
    m_dock->show();
    m_dock->SelectPositions(positions);
}

void PhotoListCommands::ListSelectionChanged(const QList<qsizetype> &positions, qsizetype current)
{
    if (!m_view)
        return;
    m_view->SetHighlightedPhotos(positions);
    const ProjectDocument &doc = m_host.Document();
    PhotoEntry::Position p;
    if (current < 0 || current >= doc.PositionList.size()
        || !PhotoEntry::TryParsePosition(doc.PositionList[current], p))
        return;
    // A triangle just clicked leaves the map where it is; one chosen in the
    // list is brought into sight with the smallest move.
    if (m_scrollBox && !m_selectingFromMap)
        m_scrollBox->EnsureMapVisible(m_view->ShownPhotoRect(current));
}

void PhotoListCommands::MapClicked(const QPoint &mapPoint, const QPoint &viewPixel)
{
    const ProjectDocument &doc = m_host.Document();
    // Several photos on the spot: the chooser says which one (PhotoChosen).
    if (m_view && MapClick::AllHits(doc, m_view->Zoom().HitArea(viewPixel, doc.TriangleSize)).size() > 1)
        return;
    qsizetype hit = -1;
    const PhotoIndex &index = m_map.ClickIndex();
    if (const std::optional<qsizetype> found =
            index.IsCurrent(doc) ? index.HitIndex(mapPoint.x(), mapPoint.y()) : std::nullopt) {
        hit = *found;
    } else {
        // An entry that is no number ends the click itself with its message;
        // the list just does not follow.
        try {
            hit = PhotoLookup::HitIndex(doc.PositionList, doc.TriangleSize, mapPoint.x(), mapPoint.y());
        } catch (const TolvekError &) {
            hit = -1;
        }
    }
    if (hit >= 0) {
        // The photo was clicked where it is shown: the map stays put, so that
        // the next click finds under the pointer what was there.
        const QScopedValueRollback<bool> clicked(m_selectingFromMap, true);
        m_dock->SelectPositions({hit});
    }
}

void PhotoListCommands::ViewPhoto()
{
    qsizetype position = m_dock ? m_dock->CurrentPosition() : -1;
    if (position < 0) {
        const QList<qsizetype> order = m_host.PhotoOrder();
        if (order.isEmpty()) {
            m_host.ShowStatus(QStringLiteral("Er zijn geen foto's om te bekijken."));
            return;
        }
        position = order.first();
    }
    TFotoKijkerForm::Open(m_host, position);
}

void PhotoListCommands::OpenPhoto(qsizetype position)
{
    const ProjectDocument &doc = m_host.Document();
    if (position < 0 || position >= doc.PositionList.size())
        return;
    // As a click on the triangle: the first name entry with the photo's
    // number, the first notes entry; without a name entry nothing opens.
    m_host.Session().EnterProjectFolder();
    // A key that is no integer ends the command with its message.
    const std::int32_t number = PhotoEntry::Key(doc.PositionList[position]);
    const PhotoRecord photo = PhotoRecord::Read(
        doc, position, [&](std::int32_t key) { return PhotoLookup::FindByKey(doc.NameList, key); },
        [&](std::int32_t key) { return PhotoLookup::FindByKeySkippingBad(doc.NotesList, key); });
    if (photo.nameIndex < 0)
        return;
    TFotoForm::OpenPhotoWindow(m_host, number, photo.storedName, photo.Notes(doc));
}

void PhotoListCommands::DeletePhotos(const QList<qsizetype> &positions)
{
    const ProjectDocument &doc = m_host.Document();
    // The key text the delete-photo dialog would get from a click on the
    // triangle: as written in the photo's name entry (its position entry's
    // when it has none).
    struct Picked
    {
        QByteArray keyText;
        QByteArray fileName;
    };
    QList<Picked> picked;
    for (const qsizetype position : positions) {
        if (position < 0 || position >= doc.PositionList.size())
            continue;
        const PhotoRecord photo = PhotoRecord::Read(
            doc, position, [&](std::int32_t key) { return PhotoLookup::FindByKey(doc.NameList, key); },
            PhotoRecord::None);
        picked.append({photo.NameKeyText(doc), photo.storedName});
    }
    if (picked.isEmpty())
        return;
    if (picked.size() == 1) {
        // The delete-photo dialog itself, as after a pick on the map: it
        // names the file and asks.
        if (TFotoVerwijderenForm *dialog = m_deleteDialog ? m_deleteDialog() : nullptr)
            dialog->ShowWithPickedPhoto(picked.first().fileName, picked.first().keyText);
        return;
    }
    const QString text = QStringLiteral("%1 foto's verwijderen?\r\n\r\nNB. Alleen de verwijzingen naar de bestanden "
                                        "worden verwijderd, de bestanden zelf niet.")
                             .arg(picked.size());
    using namespace MessageDialogs;
    const DialogButtonSet buttons = ButtonBit(Yes) | ButtonBit(Cancel);
    int answer;
    if (UseTaskDialog()) {
        answer =
            ShowTaskDialog(ProgramTexts::AppTitle(), QStringLiteral("Foto's verwijderen"), text, Confirmation, buttons,
                           Yes, QStringLiteral("&Verwijderen"), QString(), QString(), QStringLiteral("&Annuleren"));
    } else {
        QStringList captions(Help + 1);
        captions[Yes] = QStringLiteral("&Verwijderen");
        captions[Cancel] = QStringLiteral("&Annuleren");
        answer = ShowMessageDialog(ProgramTexts::AppTitle(), QStringLiteral("Foto's verwijderen"), text, Confirmation,
                                   buttons, Yes, captions);
    }
    if (answer != ResultYes)
        return;
    QList<QByteArray> keys;
    for (const Picked &p : std::as_const(picked))
        keys << p.keyText;
    BusyCursor busy;
    m_host.Session().Perform(std::make_unique<DeletePhotosEdit>(keys));
}

QStringList PhotoListCommands::LocalFiles(const QMimeData *data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile() && QFileInfo::exists(url.toLocalFile()))
            files << url.toLocalFile();
    return files;
}

bool PhotoListCommands::IsProjectFile(const QString &path)
{
    return path.endsWith(QLatin1String(".tvk"), Qt::CaseInsensitive) && QFileInfo(path).isFile();
}

void PhotoListCommands::DropFiles(const QStringList &files, const QPoint &windowPoint)
{
    for (const QString &file : files) {
        if (IsProjectFile(file)) {
            if (m_openProject)
                m_openProject(QFileInfo(file).absoluteFilePath());
            return;
        }
    }
    PhotoImport::Placement placement = CentredPlacement();
    if (const std::optional<QPoint> point = MapPointAt(windowPoint)) {
        placement.point = *point;
        placement.centred = false;
    }
    SelectAdded(m_import->ImportPaths(files, placement, Direction()));
}

bool PhotoListCommands::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDropEvent *>(event);
            if (!LocalFiles(drag->mimeData()).isEmpty()) {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
                return true;
            }
            break;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            const QStringList files = LocalFiles(drop->mimeData());
            if (files.isEmpty())
                break;
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            // The file manager waits until the drop is taken; the questions
            // and the work come after that.
            const QPoint at = drop->position().toPoint();
            QTimer::singleShot(0, this, [this, files, at] { GeneralError::Run([&] { DropFiles(files, at); }); });
            return true;
        }
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
