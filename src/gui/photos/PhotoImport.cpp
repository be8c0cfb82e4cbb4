#include "gui/photos/PhotoImport.h"

#include "core/platform/AppSettings.h"

#include "core/base/ProgramTexts.h"
#include "core/base/TolvekError.h"
#include "core/photos/PhotoCopyPlan.h"
#include "core/photos/PhotoFileNames.h"
#include "core/photos/PhotoGrid.h"
#include "core/photos/PhotoImportCheck.h"
#include "core/photos/PhotoPicture.h"
#include "core/platform/AnsiCodec.h"
#include "core/project/AddPhotoEdit.h"
#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "gui/photos/TFotoToevoegenForm.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"

#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QMutex>
#include <QProgressDialog>
#include <QSemaphore>
#include <QSet>
#include <QSettings>
#include <QtConcurrent>

#include <memory>

namespace {

const char *const kLastFolderKey = "importeren/laatste-map";

int g_progressDelay = 400;

// The number of names a message lists before it says how many more.
constexpr int kListedAtMost = 10;

QString listed(const QStringList &lines)
{
    QStringList shown = lines.mid(0, kListedAtMost);
    if (lines.size() > kListedAtMost)
        shown << QStringLiteral("... en nog %1.").arg(lines.size() - kListedAtMost);
    return shown.join(QStringLiteral("\r\n"));
}

void sortByName(QStringList &paths)
{
    QCollator order;
    order.setNumericMode(true);
    order.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(paths.begin(), paths.end(),
                     [&order](const QString &a, const QString &b) { return order.compare(a, b) < 0; });
}

// Copies made by the workers, so that a cancelled import can take every one
// of them back, also those whose result never came in.
struct Copies
{
    QMutex mutex;
    QStringList made;
};

} // namespace

PhotoImport::PhotoImport(ProjectHost &host) : m_host(host)
{
}

void PhotoImport::SetProgressDelay(int milliseconds)
{
    g_progressDelay = std::max(0, milliseconds);
}

int PhotoImport::ProgressDelay()
{
    return g_progressDelay;
}

QString PhotoImport::LastFolder() const
{
    const auto settings = AppSettings::Open();
    const QString folder = settings->value(QLatin1String(kLastFolderKey)).toString();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    const QString project = m_host.Document().ProjectFolder();
    return project.isEmpty() ? QDir::currentPath() : project;
}

void PhotoImport::RememberFolder(const QString &folder)
{
    const auto settings = AppSettings::Open();
    settings->setValue(QLatin1String(kLastFolderKey), folder);
}

std::optional<PhotoImport::Added> PhotoImport::ImportFiles(const Placement &placement, std::int32_t direction)
{
    UserInteraction::FileRequest request;
    request.kind = UserInteraction::FileDialogKind::OpenSeveral;
    request.parent = m_host.MainWindow();
    request.title = FilesTitle();
    // Every kind of photo, beyond the add-photo dialog's own list.
    request.filter = QStringLiteral("Foto's (%1)|%1|Alle bestanden (*.*)|*.*").arg(PhotoPicture::FilePatterns());
    request.directory = LastFolder();
    std::optional<QStringList> files = UserInteraction::AskFiles(request);
    // A file dialog may leave another folder current.
    m_host.Session().EnterProjectFolder();
    if (!files || files->isEmpty())
        return std::nullopt;
    RememberFolder(QFileInfo(files->constFirst()).absolutePath());
    sortByName(*files);
    return Import(*files, placement, direction);
}

std::optional<PhotoImport::Added> PhotoImport::ImportFolder(const Placement &placement, std::int32_t direction)
{
    UserInteraction::FileRequest request;
    request.kind = UserInteraction::FileDialogKind::Folder;
    request.parent = m_host.MainWindow();
    request.title = FolderTitle();
    request.directory = LastFolder();
    const std::optional<QString> folder = UserInteraction::AskFile(request);
    m_host.Session().EnterProjectFolder();
    if (!folder)
        return std::nullopt;
    RememberFolder(*folder);
    const std::optional<QStringList> files = FolderFiles(*folder);
    if (!files)
        return std::nullopt;
    if (files->isEmpty()) {
        MessageDialogs::ShowInfoMessage(
            ProgramTexts::AppTitle(), FolderTitle(),
            QStringLiteral("In de map \"%1\" staan geen bestanden.").arg(QDir::toNativeSeparators(*folder)),
            QStringLiteral("&OK"));
        return std::nullopt;
    }
    return Import(*files, placement, direction);
}

std::optional<PhotoImport::Added> PhotoImport::ImportPaths(const QStringList &paths, const Placement &placement,
                                                           std::int32_t direction)
{
    QStringList files;
    for (const QString &path : paths) {
        if (QFileInfo(path).isDir()) {
            const std::optional<QStringList> inside = FolderFiles(path);
            if (!inside)
                return std::nullopt;
            files << *inside;
        } else {
            files << QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        }
    }
    if (files.isEmpty())
        return std::nullopt;
    return Import(files, placement, direction);
}

std::optional<QStringList> PhotoImport::FolderFiles(const QString &folder)
{
    const QDir dir(folder);
    bool below = false;
    if (!dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty()) {
        const int answer = MessageDialogs::AskYesNoCancel(
            ProgramTexts::AppTitle(), QStringLiteral("Submappen meenemen?"),
            QStringLiteral("De map \"%1\" heeft submappen. Wilt u ook de foto's in de submappen importeren?")
                .arg(QDir::toNativeSeparators(folder)),
            QStringLiteral("&Met submappen"), QStringLiteral("&Zonder submappen"), QStringLiteral("&Annuleren"),
            MessageDialogs::Yes);
        if (answer != MessageDialogs::ResultYes && answer != MessageDialogs::ResultNo)
            return std::nullopt;
        below = answer == MessageDialogs::ResultYes;
    }
    QStringList files;
    QDirIterator it(folder, QDir::Files, below ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
    while (it.hasNext())
        files << QDir::cleanPath(it.next());
    sortByName(files);
    return files;
}

PhotoImport::Outside PhotoImport::AskAboutOutside(int count, const QString &projectFolder)
{
    const QString which =
        count == 1 ? QStringLiteral("E\u00e9n bestand staat") : QStringLiteral("%1 bestanden staan").arg(count);
    const int answer = MessageDialogs::AskYesNoCancel(
        ProgramTexts::AppTitle(), QStringLiteral("Foto's buiten de projectmap"),
        QStringLiteral("%1 niet in de map van het project (\"%2\") of een map daaronder.\r\n\r\n"
                       "Kopi\u00ebren: ze komen in de map \"%3\" van het project, zodat ze meegaan als de fotoset "
                       "wordt gekopieerd.\r\n"
                       "Laten staan: het project noemt ze met hun volledige pad.")
            .arg(which, QDir::toNativeSeparators(QDir::cleanPath(projectFolder)), PhotoFileNames::CopyFolderName()),
        QStringLiteral("&Kopi\u00ebren"), QStringLiteral("&Laten staan"), QStringLiteral("&Annuleren"),
        MessageDialogs::Yes);
    if (answer == MessageDialogs::ResultYes)
        return Outside::Copy;
    if (answer == MessageDialogs::ResultNo)
        return Outside::Keep;
    return Outside::Cancel;
}

QString PhotoImport::GpsPlacementText(int placed, int outside, int without)
{
    const auto photos = [](int n) { return n == 1 ? QStringLiteral("1 foto") : QStringLiteral("%1 foto's").arg(n); };
    return QStringLiteral("Op hun GPS-positie gezet: %1. Met een GPS-positie buiten de kaart: %2. Zonder GPS-positie: "
                          "%3. Wie niet op zijn GPS-positie staat, staat in het raster.")
        .arg(photos(placed), photos(outside), photos(without));
}

QString PhotoImport::CameraDirectionText(int fromCamera, int without, int magneticAsIs)
{
    const auto photos = [](int n) { return n == 1 ? QStringLiteral("1 foto") : QStringLiteral("%1 foto's").arg(n); };
    QString text = QStringLiteral("Richting uit de camera: %1. Zonder richting uit de camera: %2.")
                       .arg(photos(fromCamera), photos(without));
    if (magneticAsIs > 0)
        text += QStringLiteral(" Bij %1 is de kompasrichting niet gecorrigeerd voor de afwijking van het magnetische "
                               "noorden, omdat niet bekend is waar de foto is genomen.")
                    .arg(photos(magneticAsIs));
    return text;
}

std::optional<PhotoImport::Added> PhotoImport::Import(const QStringList &files, const Placement &placement,
                                                      std::int32_t direction)
{
    const ProjectDocument &doc = m_host.Document();
    // Keys have five digits; a sixth would not be read back correctly.
    const std::int32_t firstKey = PhotoEntry::NextKey(doc);
    const qint64 room = firstKey == 0 ? 0 : PhotoEntry::MaxKey - qint64(firstKey) + 1;
    if (files.size() > room) {
        MessageDialogs::ShowErrorMessage(
            ProgramTexts::AppTitle(), FilesTitle(),
            QStringLiteral("Er kunnen nog %1 foto's bij, want het hoogste fotonummer is %3; u wilt er %2 "
                           "importeren. Er is niets ge\u00efmporteerd.")
                .arg(room)
                .arg(files.size())
                .arg(PhotoEntry::MaxKey),
            QStringLiteral("&OK"));
        return std::nullopt;
    }

    // Where each file will be named from: inside the project's folder, or
    // elsewhere (one question for all of those).
    const QString projectFolder = doc.ProjectFolder();
    int outsideCount = 0;
    QList<bool> inside;
    inside.reserve(files.size());
    for (const QString &file : files) {
        inside.append(!PhotoFileNames::RelativeInside(projectFolder, file).isEmpty());
        if (!inside.last())
            ++outsideCount;
    }
    bool copy = false;
    if (outsideCount > 0 && !projectFolder.isEmpty()) {
        const Outside answer = AskAboutOutside(outsideCount, projectFolder);
        if (answer == Outside::Cancel)
            return std::nullopt;
        copy = answer == Outside::Copy;
    }

    // Busy while working, but not over the progress dialog and its button,
    // nor over the questions and the report.
    std::optional<BusyCursor> busy;
    busy.emplace();
    const QString copyFolder = QDir(projectFolder).filePath(PhotoFileNames::CopyFolderName());
    const bool copyFolderExisted = QFileInfo(copyFolder).isDir();
    std::optional<PhotoCopyPlan> plan;
    if (copy)
        plan.emplace(copyFolder);

    QStringList skipped;
    QList<PhotoImportCheck::Job> jobs;
    jobs.reserve(files.size());
    for (qsizetype i = 0; i < files.size(); ++i) {
        PhotoImportCheck::Job job;
        job.source = files[i];
        job.readCamera = placement.north.arrow.has_value() || bool(placement.gpsPlaces);
        if (!inside[i] && copy) {
            job.copy = true;
            job.target = plan->Plan(files[i]);
        } else if (!PhotoFileNames::Encoded(PhotoFileNames::StoredName(projectFolder, files[i]))) {
            skipped << QStringLiteral("De naam van \"%1\" bevat tekens die een Tolvek-bestand niet kan bewaren (%2).")
                           .arg(QDir::toNativeSeparators(files[i]),
                                AnsiCodec::unencodableCharacters(QFileInfo(files[i]).filePath()));
            continue;
        }
        jobs.append(job);
    }

    auto copies = std::make_shared<Copies>();
    QFuture<PhotoImportCheck::Outcome> future = QtConcurrent::mapped(jobs, [copies](const PhotoImportCheck::Job &job) {
        PhotoImportCheck::Outcome out = PhotoImportCheck::Run(job);
        if (out.copied) {
            QMutexLocker lock(&copies->mutex);
            copies->made << out.path;
        }
        return out;
    });

    bool cancelled = false;
    if (jobs.size() >= ProgressFrom) {
        // Woken when the checks are done, not polled: the import goes on
        // the moment its work is.
        auto done = std::make_shared<QSemaphore>();
        future.then(QtFuture::Launch::Sync, [done](const QFuture<PhotoImportCheck::Outcome> &) { done->release(); });
        done->tryAcquire(1, g_progressDelay);
    }
    if (jobs.size() >= ProgressFrom && !future.isFinished()) {
        busy.reset();
        QProgressDialog progress(QStringLiteral("De foto's worden gelezen en gecontroleerd..."),
                                 QStringLiteral("&Annuleren"), 0, int(jobs.size()), m_host.MainWindow());
        progress.setWindowTitle(FilesTitle());
        progress.setWindowModality(Qt::WindowModal);
        progress.setAutoClose(false);
        progress.setAutoReset(false);
        progress.setMinimumDuration(0);
        progress.setMinimumWidth(360);
        QFutureWatcher<PhotoImportCheck::Outcome> watcher;
        QObject::connect(&watcher, &QFutureWatcherBase::progressValueChanged, &progress, &QProgressDialog::setValue);
        QObject::connect(&watcher, &QFutureWatcherBase::finished, &progress, &QDialog::accept);
        QObject::connect(&progress, &QProgressDialog::canceled, &progress, [&] {
            cancelled = true;
            future.cancel();
            progress.reject();
        });
        watcher.setFuture(future);
        progress.setValue(future.progressValue());
        if (!future.isFinished() && UserInteraction::ExecModal(&progress) != QDialog::Accepted)
            cancelled = true;
        if (cancelled)
            future.cancel();
        busy.emplace();
        future.waitForFinished();
    } else {
        future.waitForFinished();
    }

    auto takeBackCopies = [&] {
        QMutexLocker lock(&copies->mutex);
        for (const QString &made : std::as_const(copies->made))
            QFile::remove(made);
        if (copy && !copyFolderExisted)
            QDir().rmdir(copyFolder); // only when empty
    };
    if (cancelled) {
        takeBackCopies();
        return std::nullopt;
    }

    // The new photos, in the files' order; positions for the ones taken.
    QSet<QString> known;
    for (const QByteArray &entry : doc.NameList)
        known.insert(PhotoFileNames::Comparable(AnsiCodec::toUnicode(PhotoEntry::Value(entry))));
    QList<AddPhotoEdit::Photo> photos;
    QStringList twice;
    int fromCamera = 0, magneticAsIs = 0;
    QList<CameraRecord> cameras;
    const QList<PhotoImportCheck::Outcome> outcomes = future.results();
    for (const PhotoImportCheck::Outcome &out : outcomes) {
        if (!out.ok) {
            skipped << out.problem;
            continue;
        }
        const QString stored = PhotoFileNames::StoredName(projectFolder, out.path);
        const std::optional<QByteArray> bytes = PhotoFileNames::Encoded(stored);
        if (!bytes) {
            skipped << QStringLiteral("De naam van \"%1\" bevat tekens die een Tolvek-bestand niet kan bewaren (%2).")
                           .arg(QDir::toNativeSeparators(out.path), AnsiCodec::unencodableCharacters(stored));
            continue;
        }
        const QString comparable = PhotoFileNames::Comparable(stored);
        if (known.contains(comparable))
            twice << stored;
        known.insert(comparable);
        AddPhotoEdit::Photo photo;
        photo.direction = direction;
        const CameraDirection::Result camera = CameraDirection::FromCamera(out.camera, placement.north);
        if (camera.direction) {
            photo.direction = *camera.direction;
            ++fromCamera;
            if (camera.basis == CameraDirection::Basis::MagneticAsIs)
                ++magneticAsIs;
        }
        photo.fileName = *bytes;
        photos.append(photo);
        cameras.append(out.camera);
    }

    std::optional<Added> added;
    const bool georeferenced = bool(placement.gpsPlaces);
    QList<std::optional<QPoint>> places =
        georeferenced ? placement.gpsPlaces(cameras) : QList<std::optional<QPoint>>(cameras.size());
    int placed = 0, outside = 0;
    for (qsizetype i = 0; i < cameras.size(); ++i)
        if (places.value(i))
            ++placed;
        else if (cameras[i].HasPosition())
            ++outside;
    places.resize(photos.size());
    if (!photos.isEmpty()) {
        // Those the GPS does not place go into the grid, in their order.
        const int inGrid = int(photos.size()) - placed;
        const QList<QPoint> grid = placement.centred
            ? PhotoGrid::Centred(inGrid, placement.point, doc.TriangleSize, placement.mapSize)
            : PhotoGrid::From(inGrid, placement.point, doc.TriangleSize, placement.mapSize);
        qsizetype next = 0;
        for (qsizetype i = 0; i < photos.size(); ++i) {
            const QPoint at = places[i] ? *places[i] : grid[next++];
            photos[i].x = at.x();
            photos[i].y = at.y();
        }
        std::unique_ptr<AddPhotoEdit> edit = AddPhotoEdit::Make(doc, photos);
        if (!edit) {
            takeBackCopies();
            throw TolvekError(QStringLiteral("Er kunnen geen foto's meer bij: het hoogste fotonummer (%1) is "
                                             "al in gebruik.")
                                  .arg(PhotoEntry::MaxKey));
        }
        added = Added{doc.PositionList.size(), int(photos.size())};
        m_host.Session().Perform(std::move(edit));
    }
    busy.reset();

    const bool north = placement.north.arrow.has_value();
    if (!skipped.isEmpty() || !twice.isEmpty() || ((north || georeferenced) && !photos.isEmpty())) {
        QStringList parts;
        parts << (photos.isEmpty()         ? QStringLiteral("Er is geen foto ge\u00efmporteerd.")
                      : photos.size() == 1 ? QStringLiteral("1 foto ge\u00efmporteerd.")
                                           : QStringLiteral("%1 foto's ge\u00efmporteerd.").arg(photos.size()));
        if (georeferenced && !photos.isEmpty())
            parts << GpsPlacementText(placed, outside, int(photos.size()) - placed - outside);
        if (north && !photos.isEmpty())
            parts << CameraDirectionText(fromCamera, int(photos.size()) - fromCamera, magneticAsIs);
        if (!skipped.isEmpty())
            parts << (skipped.size() == 1 ? QStringLiteral("1 bestand overgeslagen:")
                                          : QStringLiteral("%1 bestanden overgeslagen:").arg(skipped.size()))
                    + QStringLiteral("\r\n") + listed(skipped);
        if (!twice.isEmpty())
            parts << (twice.size() == 1
                          ? QStringLiteral("1 foto stond al in het project en is nog een keer toegevoegd:")
                          : QStringLiteral("%1 foto's stonden al in het project en zijn nog een keer toegevoegd:")
                                .arg(twice.size()))
                    + QStringLiteral("\r\n") + listed(twice);
        const QString text = parts.join(QStringLiteral("\r\n\r\n"));
        if (skipped.isEmpty())
            MessageDialogs::ShowInfoMessage(ProgramTexts::AppTitle(), FilesTitle(), text, QStringLiteral("&OK"));
        else
            MessageDialogs::ShowWarningMessage(ProgramTexts::AppTitle(), FilesTitle(), text, QStringLiteral("&OK"));
    }
    return added;
}
