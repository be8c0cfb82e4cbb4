#include "core/web/WebExport.h"

#include "core/base/TolvekError.h"
#include "core/map/GpsPlacement.h"
#include "core/map/MapBandReader.h"
#include "core/map/MapDrawing.h"
#include "core/map/MapScene.h"
#include "core/photos/ExifReader.h"
#include "core/photos/PhotoPicture.h"
#include "core/platform/AnsiCodec.h"
#include "core/platform/FileErrors.h"
#include "core/platform/PathResolver.h"
#include "core/project/KeyTable.h"
#include "core/project/PhotoEntry.h"
#include "core/project/PhotoNotes.h"
#include "core/project/PhotoRecord.h"
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

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

void CopyResources(WebExportFolder &folder)
{
    const QString root = WebExportFolder::ResourceRoot();
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    int count = 0;
    while (it.hasNext()) {
        const QString from = it.next();
        const QString relative = from.mid(root.size() + 1);
        const QString parent = QFileInfo(relative).path();
        if (parent != QLatin1String(".")) {
            QString made;
            for (const QString &part : parent.split(QLatin1Char('/'))) {
                made += (made.isEmpty() ? QString() : QStringLiteral("/")) + part;
                folder.MakeFolder(made);
            }
        }
        QFile file(from);
        if (!file.open(QIODevice::ReadOnly))
            throw TolvekError(QStringLiteral("Het programma mist een eigen bestand (%1).").arg(relative));
        folder.Write(relative, file.readAll());
        ++count;
    }
    if (count == 0)
        throw TolvekError(QStringLiteral("Het programma mist de bestanden voor de webpagina."));
}

// One photo file of the project, read once however many keys name it.
struct SourceJob
{
    QString path;
    bool jpeg = false;
    WebPhotoFiles::Source source;
    CameraRecord camera; // when it was taken, for the page
};

// One distinct content: written once, shown by every photo that has it.
struct ContentJob
{
    QString path; // the first file with this content
    QString base; // the written files' base name
    bool jpeg = false;
    WebPhotoFiles::Result result;
};

struct PhotoJob
{
    std::int32_t key = 0;
    QString id;
    QString path;      // resolved; empty: no name
    QString shownName; // for the closing message
    bool placeholderOnly = false;
    bool noName = false; // the project has no name entry for the key
    int source = -1;
};

} // namespace

QString WebExport::PhotoId(std::int32_t key)
{
    if (key >= 0 && key <= PhotoEntry::MaxKey)
        return QStringLiteral("foto-") + QString::fromLatin1(PhotoEntry::KeyTextFor(key));
    return QStringLiteral("foto-") + (key < 0 ? QStringLiteral("min") : QString()) + QString::number(qAbs(qint64(key)));
}

QString WebExport::ShownName(const QByteArray &storedName)
{
    if (PhotoEntry::IsNoName(storedName))
        return QString();
    const QString name = Text(storedName);
    return name.mid(std::max(name.lastIndexOf(QLatin1Char('\\')), name.lastIndexOf(QLatin1Char('/'))) + 1);
}

void WebExport::CheckMap(const ProjectDocument &doc)
{
    const QString path = MapDrawing::MapFilePath(doc);
    if (path.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(path);
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        throw TolvekError(QStringLiteral("De overzichtskaart \"%1\" bestaat niet.").arg(shown));
    if (S_ISDIR(st.st_mode))
        throw TolvekError(QStringLiteral("De overzichtskaart \"%1\" is een map, geen bestand.").arg(shown));
    // A pipe or a device would be read without end.
    if (!S_ISREG(st.st_mode))
        throw TolvekError(QStringLiteral("De overzichtskaart \"%1\" is geen gewoon bestand.").arg(shown));
    if (::access(QFile::encodeName(path).constData(), R_OK) != 0)
        throw TolvekError(QStringLiteral("De overzichtskaart \"%1\" kan niet worden gelezen: %2.")
                              .arg(shown, FileErrors::Text(errno)));
}

QString WebExport::OccupiedText(const WebExportFolder::Target &target)
{
    QString foreign;
    WebExportFolder::Inspect(target, &foreign);
    const QString assets = target.AssetsPath() + QLatin1Char('/');
    if (foreign.startsWith(assets))
        return QStringLiteral("In de map \"%1\" staat \"%2\", dat niet door dit programma is gemaakt. Haal het daar "
                              "weg of kies een andere naam voor de webpagina.")
            .arg(QDir::toNativeSeparators(target.AssetsPath()), foreign.mid(assets.size()));
    if (target.pageName == QLatin1String("index.html"))
        return QStringLiteral("De map \"%1\" is niet leeg. Kies een lege of nieuwe map voor de webpagina.")
            .arg(QDir::toNativeSeparators(target.folder));
    return QStringLiteral("\"%1\" of \"%2\" bestaat al en is niet door dit programma gemaakt.")
        .arg(QDir::toNativeSeparators(target.PagePath()), QDir::toNativeSeparators(target.AssetsPath()));
}

WebExport::Result WebExport::Run(const ProjectDocument &doc, const MapScene &scene,
                                 const WebExportFolder::Target &target, Progress &progress, const Options &options)
{
    Result result = Prepare(doc, scene, target, progress, options);
    if (result.pending) {
        result.pending->Commit();
        result.pending.reset();
    }
    return result;
}

WebExport::Result WebExport::Prepare(const ProjectDocument &doc, const MapScene &scene,
                                     const WebExportFolder::Target &target, Progress &progress, const Options &options)
{
    Result result;
    CheckMap(doc);
    const bool hasMap = !scene.map.isNull() || options.mapBands;
    if (!doc.MapFileName.isEmpty() && !hasMap)
        throw TolvekError(QStringLiteral("De overzichtskaart \"%1\" kan niet worden gelezen.")
                              .arg(QDir::toNativeSeparators(MapDrawing::MapFilePath(doc))));
    if (WebExportFolder::Inspect(target) == WebExportFolder::State::Occupied)
        throw TolvekError(OccupiedText(target));

    // What the page shows, photo by photo in list order. The scene has
    // checked every position entry already.
    WebPageContent content;
    content.organisation = Text(doc.Organisation);
    for (const QByteArray *line : {&doc.Description1, &doc.Description2, &doc.Description3})
        if (!line->trimmed().isEmpty())
            content.description << Text(*line);
    content.helpText =
        scene.helpText.trimmed().isEmpty() ? QString() : scene.helpText.mid(1, scene.helpText.size() - 2);
    content.fontPixels = scene.fontPixelSize;
    content.triangleColour = scene.triangleColour;
    content.mapSize = options.mapBands ? options.mapBands->Size() : scene.map.isNull() ? QSize(0, 0) : scene.map.size();

    std::vector<PhotoJob> jobs;
    std::vector<SourceJob> sources;
    QHash<std::int32_t, int> jobOfKey;
    QHash<QString, int> sourceOfPath;
    QList<int> jobOfPhoto;
    const QString projectFolder = doc.ProjectFolder();
    // One pass over each list: a project may hold a hundred thousand photos.
    KeyTable nameKeys, notesKeys;
    nameKeys.Build(doc.NameList, KeyTable::BadKeys::Skip);
    notesKeys.Build(doc.NotesList, KeyTable::BadKeys::Skip);
    // One resolver for the export: each folder is listed once, however many
    // photos are missing from it.
    PathResolver resolver;
    for (qsizetype i = 0; i < doc.PositionList.size(); ++i) {
        const QByteArray &entry = doc.PositionList[i];
        // A number that is no integer ends the export with its message.
        const std::int32_t key = PhotoEntry::Key(entry);
        const PhotoEntry::Position pos = PhotoEntry::ParsePosition(entry);
        const PhotoRecord record = PhotoRecord::Read(
            doc, i, [&](std::int32_t k) { return nameKeys.Find(k); },
            [&](std::int32_t k) { return notesKeys.Find(k); });
        WebPageContent::Photo ph;
        ph.id = PhotoId(key);
        ph.position = QPoint(pos.x, pos.y);
        const MapPhotoShape &shape = scene.photos.value(i);
        for (const QPoint &corner : shape.triangle)
            ph.corners << corner - ph.position;
        ph.name = ShownName(record.storedName);
        if (shape.hasLabel) {
            ph.hasLabel = true;
            ph.labelOffset = shape.labelTopLeft - ph.position;
        }
        ph.notes = NotesText(PhotoNotes::Meaningful(record.Notes(doc)));
        if (options.georeference && options.georeference->IsFitted())
            if (const auto earth = options.georeference->ToEarth(GpsPlacement::PhotoPoint(ph.position)))
                ph.place = QStringLiteral("%1,%2").arg(earth->latitude, 0, 'f', 6).arg(earth->longitude, 0, 'f', 6);
        content.photos << ph;

        auto found = jobOfKey.constFind(key);
        if (found == jobOfKey.constEnd()) {
            PhotoJob job;
            job.key = key;
            job.id = ph.id;
            job.shownName = Text(record.storedName);
            job.noName = record.nameIndex < 0;
            job.placeholderOnly = !record.HasFile();
            if (!job.placeholderOnly) {
                job.path = record.ResolvedFile(projectFolder, resolver);
                auto known = sourceOfPath.constFind(job.path);
                if (known == sourceOfPath.constEnd()) {
                    SourceJob source;
                    source.path = job.path;
                    source.jpeg = PhotoPicture::KindForFileName(job.path) == PhotoPicture::Kind::Jpeg;
                    known = sourceOfPath.insert(job.path, int(sources.size()));
                    sources.push_back(std::move(source));
                }
                job.source = *known;
            }
            found = jobOfKey.insert(key, int(jobs.size()));
            jobs.push_back(std::move(job));
        }
        jobOfPhoto << *found;
    }
    result.photos = int(content.photos.size());

    WebMapTiles::Plan plan;
    if (hasMap) {
        plan = options.mapBands ? WebMapTiles::MakePlan(options.mapBands->Size()) : WebMapTiles::MakePlan(scene.map);
        content.tileLevels = int(plan.levels.size());
        content.tileExtension = plan.Extension();
    }
    // Every file is read once to tell its content, then every distinct
    // content is written; the count of those is known after the first pass.
    progress.total = 2 * int(sources.size()) + plan.TileCount() + 1;

    auto pending = std::make_unique<WebExportFolder>(target);
    WebExportFolder &folder = *pending;
    folder.afterStep = options.afterCommitStep;
    folder.Begin(options.missing);
    folder.MakeFolder(QStringLiteral("fotos"));
    CopyResources(folder);
    ++progress.done;

    // A pool of the export's own: the calling thread only waits for it.
    QThreadPool pool;
    pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    auto tick = [&progress] {
        ++progress.done;
        return !progress.cancelled.load();
    };

    QtConcurrent::blockingMap(&pool, sources, [&](SourceJob &source) {
        if (progress.cancelled)
            return;
        source.source = WebPhotoFiles::Examine(source.path);
        if (source.source.ok)
            source.camera = ExifReader::Read(source.path);
        tick();
    });

    std::vector<ContentJob> contents;
    QHash<QString, int> contentOf;
    QList<int> contentOfSource;
    for (const SourceJob &source : sources) {
        if (!source.source.ok) {
            contentOfSource << -1;
            continue;
        }
        auto known = contentOf.constFind(source.source.contents);
        if (known == contentOf.constEnd()) {
            ContentJob job;
            job.path = source.path;
            job.base = source.source.contents.left(20);
            job.jpeg = source.jpeg;
            known = contentOf.insert(source.source.contents, int(contents.size()));
            contents.push_back(std::move(job));
        }
        contentOfSource << *known;
    }
    progress.total = int(sources.size() + contents.size()) + plan.TileCount() + 1;

    // Other kinds than JPEG one at a time (metafiles are read in child
    // processes), JPEG photos in parallel.
    QString error;
    QMutex errorLock;
    std::atomic<bool> failed{false};
    auto convert = [&](ContentJob &job) {
        if (progress.cancelled || failed)
            return;
        try {
            job.result = WebPhotoFiles::Write(job.path, job.base, folder, options.keepMetadata);
        } catch (const TolvekError &e) {
            QMutexLocker lock(&errorLock);
            if (!failed.exchange(true))
                error = e.message();
            return;
        }
        tick();
    };
    for (ContentJob &job : contents)
        if (!job.jpeg)
            convert(job);
    std::vector<ContentJob *> parallel;
    for (ContentJob &job : contents)
        if (job.jpeg)
            parallel.push_back(&job);
    QtConcurrent::blockingMap(&pool, parallel, [&](ContentJob *job) { convert(*job); });
    if (failed)
        throw TolvekError(error);

    if (options.mapBands && !progress.cancelled) {
        WebMapTiles::WriteBands(*options.mapBands, plan, folder, pool, tick,
                                [&progress](int tiles) { progress.done -= tiles; });
        // Settled while the map was read.
        content.tileExtension = plan.Extension();
    } else if (!scene.map.isNull() && !progress.cancelled) {
        WebMapTiles::Write(scene.map, plan, folder, pool, tick);
    }

    if (progress.cancelled) {
        folder.Abandon();
        result.cancelled = true;
        return result;
    }

    auto resultOf = [&](const PhotoJob &job) -> const WebPhotoFiles::Result * {
        if (job.source < 0 || contentOfSource[job.source] < 0)
            return nullptr;
        return &contents[std::size_t(contentOfSource[job.source])].result;
    };
    for (qsizetype i = 0; i < content.photos.size(); ++i) {
        const PhotoJob &job = jobs[std::size_t(jobOfPhoto[i])];
        const WebPhotoFiles::Result *r = resultOf(job);
        WebPageContent::Photo &ph = content.photos[i];
        if (r && r->ok) {
            ph.photo = r->photo;
            ph.thumbnail = r->thumbnail;
            ph.size = r->size;
            const CameraRecord &camera = sources[std::size_t(job.source)].camera;
            if (camera.HasTime()) {
                ph.time = camera.TimeText();
                ph.timeKey = camera.SortKey();
            }
        }
    }
    for (const PhotoJob &job : jobs) {
        const WebPhotoFiles::Result *r = resultOf(job);
        if ((r && r->ok) || (!job.noName && job.placeholderOnly))
            continue;
        const QString problem = job.source < 0 ? QString()
            : r                                ? r->problem
                                               : sources[std::size_t(job.source)].source.problem;
        result.missing << (job.noName ? QStringLiteral("foto %1: het project noemt geen bestand").arg(job.id.mid(5))
                                      : QStringLiteral("%1: %2").arg(job.shownName, problem));
    }

    folder.Write(WebPageWriter::DataFileName(), WebPageWriter::Data(content));
    const QList<QByteArray> positions = WebPageWriter::PositionParts(content);
    for (qsizetype k = 0; k < positions.size(); ++k)
        folder.Write(WebPageWriter::PositionPartName(k), positions[k]);
    folder.Write(WebPageWriter::TextsFileName(), WebPageWriter::Texts(content));
    const QList<QByteArray> texts = WebPageWriter::TextParts(content);
    for (qsizetype k = 0; k < texts.size(); ++k)
        folder.Write(WebPageWriter::TextPartName(k), texts[k]);
    content.assetsAddress = folder.VersionAddress();
    folder.SetPage(WebPageWriter::Page(content));
    result.pending = std::move(pending);
    return result;
}
