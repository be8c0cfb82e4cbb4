#include "core/web/WebExport.h"

#include "core/base/TolvekError.h"
#include "core/map/MapScene.h"
#include "core/photos/PhotoPicture.h"
#include "core/platform/AnsiCodec.h"
#include "core/platform/PathResolver.h"
#include "core/project/PhotoEntry.h"
#include "core/project/PhotoLookup.h"
#include "core/project/PhotoNotes.h"
#include "core/project/ProjectDocument.h"
#include "core/web/WebMapTiles.h"
#include "core/web/WebPageWriter.h"
#include "core/web/WebPhotoFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <vector>

// Resources live in the static library; the initializer must be named.
static void InitWebResources()
{
    Q_INIT_RESOURCE(web);
}

namespace {

const QString ResourceRoot = QStringLiteral(":/tolvek-web");

QString Text(const QByteArray &bytes)
{
    return AnsiCodec::toUnicode(bytes);
}

// Notes as the page shows them: one "\n" per line break.
QString NotesText(const QByteArray &crlf)
{
    QString t = Text(crlf);
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

void CopyResources(const WebExportFolder &folder, const QString &assetsName)
{
    InitWebResources();
    QDirIterator it(ResourceRoot, QDir::Files, QDirIterator::Subdirectories);
    int count = 0;
    while (it.hasNext()) {
        const QString from = it.next();
        const QString relative = from.mid(ResourceRoot.size() + 1);
        const QString parent = QFileInfo(relative).path();
        if (parent != QLatin1String(".")) {
            QString made;
            for (const QString &part : parent.split(QLatin1Char('/'))) {
                made += (made.isEmpty() ? QString() : QStringLiteral("/")) + part;
                folder.MakeFolder(assetsName + QLatin1Char('/') + made);
            }
        }
        QFile file(from);
        if (!file.open(QIODevice::ReadOnly))
            throw TolvekError(QStringLiteral("Het programma mist een eigen bestand (%1).").arg(relative));
        folder.Write(assetsName + QLatin1Char('/') + relative, file.readAll());
        ++count;
    }
    if (count == 0)
        throw TolvekError(QStringLiteral("Het programma mist de bestanden voor de webpagina."));
}

struct PhotoJob
{
    std::int32_t key = 0;
    QString id;
    QString path;      // resolved; empty: no name
    QString shownName; // for the closing message
    bool placeholderOnly = false;
    bool noName = false; // the project has no name entry for the key
    bool jpeg = false;
    WebPhotoFiles::Result result;
};

} // namespace

QString WebExport::PhotoId(std::int32_t key)
{
    if (key >= 0 && key <= 99999)
        return QStringLiteral("foto-") + QString::fromLatin1(PhotoEntry::KeyTextFor(key));
    return QStringLiteral("foto-") + (key < 0 ? QStringLiteral("min") : QString()) + QString::number(qAbs(qint64(key)));
}

QString WebExport::OccupiedText(const WebExportFolder::Target &target)
{
    if (target.pageName == QLatin1String("index.html"))
        return QStringLiteral("De map \"%1\" is niet leeg. Kies een lege of nieuwe map voor de webpagina.")
            .arg(QDir::toNativeSeparators(target.folder));
    return QStringLiteral("\"%1\" of \"%2\" bestaat al en is niet door dit programma gemaakt.")
        .arg(QDir::toNativeSeparators(target.PagePath()), QDir::toNativeSeparators(target.AssetsPath()));
}

WebExport::Result WebExport::Run(const ProjectDocument &doc, const MapScene &scene,
                                 const WebExportFolder::Target &target, Progress &progress)
{
    Result result = Prepare(doc, scene, target, progress);
    if (result.pending) {
        result.pending->Commit();
        result.pending.reset();
    }
    return result;
}

WebExport::Result WebExport::Prepare(const ProjectDocument &doc, const MapScene &scene,
                                     const WebExportFolder::Target &target, Progress &progress)
{
    Result result;
    if (WebExportFolder::Inspect(target) == WebExportFolder::State::Occupied)
        throw TolvekError(OccupiedText(target));

    // What the page shows, photo by photo in list order. The scene has
    // checked every position entry already.
    WebPageContent content;
    content.assetsName = target.assetsName;
    content.organisation = Text(doc.Organisation);
    for (const QByteArray *line : {&doc.Description1, &doc.Description2, &doc.Description3})
        if (!line->trimmed().isEmpty())
            content.description << Text(*line);
    content.helpText =
        scene.helpText.trimmed().isEmpty() ? QString() : scene.helpText.mid(1, scene.helpText.size() - 2);
    content.fontPixels = scene.fontPixelSize;
    content.triangleColour = scene.triangleColour;
    content.mapSize = scene.map.isNull() ? QSize(0, 0) : scene.map.size();

    std::vector<PhotoJob> jobs;
    QHash<std::int32_t, int> jobOfKey;
    QList<int> jobOfPhoto;
    const QString projectFolder = doc.ProjectFolder();
    for (qsizetype i = 0; i < doc.PositionList.size(); ++i) {
        const QByteArray &entry = doc.PositionList[i];
        const std::int32_t key = PhotoEntry::Key(entry);
        const PhotoEntry::Position pos = PhotoEntry::ParsePosition(entry);
        WebPageContent::Photo ph;
        ph.id = PhotoId(key);
        ph.position = QPoint(pos.x, pos.y);
        const MapPhotoShape &shape = scene.photos.value(i);
        for (const QPoint &corner : shape.triangle)
            ph.corners << corner - ph.position;
        const qsizetype nameIndex = PhotoLookup::FindByKeySkippingBad(doc.NameList, key);
        const QByteArray storedName = nameIndex >= 0 ? PhotoEntry::Value(doc.NameList[nameIndex]) : QByteArray();
        ph.name = Text(storedName);
        if (shape.hasLabel) {
            ph.hasLabel = true;
            ph.labelOffset = shape.labelTopLeft - ph.position;
        }
        ph.notes = NotesText(PhotoNotes::Meaningful(PhotoLookup::NotesFor(doc.NotesList, key)));
        content.photos << ph;

        auto found = jobOfKey.constFind(key);
        if (found == jobOfKey.constEnd()) {
            PhotoJob job;
            job.key = key;
            job.id = ph.id;
            job.shownName = ph.name;
            // "++GeenNaam++" is how the program marks a photo without a file.
            job.noName = nameIndex < 0;
            job.placeholderOnly = storedName.isEmpty() || storedName == "++GeenNaam++";
            if (!job.placeholderOnly) {
                job.path = PathResolver::Resolve(storedName, projectFolder);
                job.jpeg = PhotoPicture::KindForFileName(job.path) == PhotoPicture::Kind::Jpeg;
            }
            found = jobOfKey.insert(key, int(jobs.size()));
            jobs.push_back(std::move(job));
        }
        jobOfPhoto << *found;
    }
    result.photos = int(content.photos.size());

    WebMapTiles::Plan plan;
    if (!scene.map.isNull()) {
        plan = WebMapTiles::MakePlan(scene.map);
        content.tileLevels = int(plan.levels.size());
        content.tileExtension = plan.Extension();
    }
    progress.total = int(jobs.size()) + plan.TileCount() + 1;

    auto pending = std::make_unique<WebExportFolder>(target);
    WebExportFolder &folder = *pending;
    folder.Begin();
    const QString assets = target.assetsName;
    folder.MakeFolder(assets);
    folder.MakeFolder(assets + QStringLiteral("/fotos"));
    CopyResources(folder, assets);
    ++progress.done;

    // A pool of the export's own: the calling thread only waits for it.
    QThreadPool pool;
    pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    auto tick = [&progress] {
        ++progress.done;
        return !progress.cancelled.load();
    };

    // Photos first: other kinds than JPEG one at a time (metafiles are read
    // in child processes), JPEG photos in parallel.
    QString error;
    QMutex errorLock;
    std::atomic<bool> failed{false};
    auto convert = [&](PhotoJob &job) {
        if (progress.cancelled || failed)
            return;
        if (!job.placeholderOnly) {
            try {
                job.result = WebPhotoFiles::Write(job.path, job.id, folder, assets);
            } catch (const TolvekError &e) {
                QMutexLocker lock(&errorLock);
                if (!failed.exchange(true))
                    error = e.message();
                return;
            }
        }
        tick();
    };
    for (PhotoJob &job : jobs)
        if (!job.jpeg)
            convert(job);
    std::vector<PhotoJob *> parallel;
    for (PhotoJob &job : jobs)
        if (job.jpeg)
            parallel.push_back(&job);
    QtConcurrent::blockingMap(&pool, parallel, [&](PhotoJob *job) { convert(*job); });
    if (failed)
        throw TolvekError(error);

    if (!scene.map.isNull() && !progress.cancelled)
        WebMapTiles::Write(scene.map, plan, folder, assets, pool, tick);

    if (progress.cancelled) {
        folder.Abandon();
        result.cancelled = true;
        return result;
    }

    for (qsizetype i = 0; i < content.photos.size(); ++i) {
        const PhotoJob &job = jobs[std::size_t(jobOfPhoto[i])];
        WebPageContent::Photo &ph = content.photos[i];
        if (job.result.ok) {
            ph.photo = job.result.photo;
            ph.thumbnail = job.result.thumbnail;
            ph.size = job.result.size;
        }
    }
    for (const PhotoJob &job : jobs) {
        if (job.result.ok || (!job.noName && job.placeholderOnly))
            continue;
        result.missing << (job.noName ? QStringLiteral("foto %1: het project noemt geen bestand").arg(job.id.mid(5))
                                      : QStringLiteral("%1: %2").arg(job.shownName, job.result.problem));
    }

    folder.Write(assets + QLatin1Char('/') + WebPageWriter::DataFileName(), WebPageWriter::Data(content));
    folder.Write(target.pageName, WebPageWriter::Page(content));
    result.pending = std::move(pending);
    return result;
}
