#include "core/web/WebExportFolder.h"

#include "core/base/TolvekError.h"
#include "core/platform/FileErrors.h"
#include "core/platform/SafeFileWriter.h"
#include "core/web/WebPageWriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Resources live in the static library; the initializer must be named.
static void InitWebResources()
{
    Q_INIT_RESOURCE(web);
}

namespace {

// Flushes what was written below folder (syncfs: the whole file system at
// once, far cheaper than one fsync per tile) or makes a rename in folder
// durable (fsync of the folder itself). 0 or the error.
int SyncFolder(const QString &folder, bool wholeFileSystem)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int result = (wholeFileSystem ? ::syncfs(fd) : ::fsync(fd)) == 0 ? 0 : errno;
    ::close(fd);
    // A folder's fsync is refused on some file systems; only data errors count.
    return result == EINVAL && !wholeFileSystem ? 0 : result;
}

QString Native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

TolvekError WriteError(const QString &path, int error)
{
    return TolvekError(
        QStringLiteral("Kan het bestand \"%1\" niet schrijven: %2.").arg(Native(path), FileErrors::Text(error)));
}

// True when the page at path was written by this program: its head carries
// the generator marker.
bool IsOurPage(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(4096).contains(WebExportFolder::GeneratorMeta());
}

// The files an export of an earlier release put straight into the assets
// folder, without versions.
bool IsUnversionedName(const QString &name)
{
    static const QStringList names = {QStringLiteral("tolvek.js"),     QStringLiteral("tolvek.css"),
                                      QStringLiteral("gegevens.js"),   QStringLiteral("ontbreekt.svg"),
                                      QStringLiteral("pictogram.svg"), QStringLiteral("leaflet"),
                                      QStringLiteral("fotos"),         QStringLiteral("kaart")};
    return names.contains(name);
}

QStringList AllEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

bool IsTemporary(const QString &name)
{
    return name.startsWith(QLatin1String(WebExportFolder::TemporaryPrefix));
}

// Whether relative (below a version folder) is a name the export writes
// there: its own script, style and Leaflet, the data files and their
// numbered parts, the photos named by their content, and the map's tiles
// level/column/row.
bool IsVersionEntry(const QString &relative, bool isDir)
{
    static const QRegularExpression part(QStringLiteral("^(posities|teksten)-[1-9][0-9]{0,4}\\.js$"));
    static const QRegularExpression photo(QStringLiteral("^fotos/[0-9a-f]{20}(-klein)?\\.(jpg|png)$"));
    static const QRegularExpression tileFolder(QStringLiteral("^kaart(/[0-9]{1,4}){0,2}$"));
    static const QRegularExpression tile(QStringLiteral("^kaart/[0-9]{1,4}/[0-9]{1,6}/[0-9]{1,6}\\.(jpg|png)$"));
    if (isDir) {
        if (relative == QLatin1String("fotos") || tileFolder.match(relative).hasMatch())
            return true;
    } else if (relative == WebPageWriter::DataFileName() || relative == WebPageWriter::TextsFileName()
               || part.match(relative).hasMatch() || photo.match(relative).hasMatch()
               || tile.match(relative).hasMatch()) {
        return true;
    }
    const QFileInfo resource(WebExportFolder::ResourceRoot() + QLatin1Char('/') + relative);
    return resource.exists() && resource.isDir() == isDir;
}

// The first entry below a version folder that the export did not write
// there (a user's note put beside the photos): removing the version with
// the next export would take it along.
QString ForeignInVersion(const QString &version)
{
    QDirIterator it(version, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink() || !IsVersionEntry(path.mid(version.size() + 1), info.isDir()))
            return path;
    }
    return QString();
}

// The first entry of the assets folder that is not of this program: what
// it wrote there is versions, its temporaries, and the unversioned files
// where their script is.
QString ForeignInAssets(const QString &assets)
{
    const QStringList entries = AllEntries(assets);
    const bool unversioned = QFileInfo(QDir(assets).filePath(QStringLiteral("tolvek.js"))).isFile();
    for (const QString &name : entries) {
        const QFileInfo info(QDir(assets).filePath(name));
        if (info.isSymLink())
            return info.filePath();
        if (IsTemporary(name) || (unversioned && IsUnversionedName(name)))
            continue;
        if (WebExportFolder::IsVersionName(name) && info.isDir()) {
            const QString inside = ForeignInVersion(info.filePath());
            if (!inside.isEmpty())
                return inside;
            continue;
        }
        return info.filePath();
    }
    return QString();
}

void RemovePath(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        QDir(path).removeRecursively();
    else
        QFile::remove(path);
}

} // namespace

QString WebExportFolder::Target::PagePath() const
{
    return QDir(folder).filePath(pageName);
}

QString WebExportFolder::Target::AssetsPath() const
{
    return QDir(folder).filePath(assetsName);
}

WebExportFolder::Target WebExportFolder::ForFolder(const QString &folder)
{
    Target t;
    t.folder = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    t.pageName = QStringLiteral("index.html");
    t.assetsName = QStringLiteral("index-bestanden");
    return t;
}

WebExportFolder::Target WebExportFolder::ForOutput(const QString &output)
{
    const QFileInfo info(output);
    const bool page = !output.endsWith(QLatin1Char('/')) && !info.isDir()
        && (info.suffix().compare(QLatin1String("html"), Qt::CaseInsensitive) == 0
            || info.suffix().compare(QLatin1String("htm"), Qt::CaseInsensitive) == 0);
    if (!page)
        return ForFolder(output);
    Target t;
    t.folder = QDir::cleanPath(info.absolutePath());
    t.pageName = info.fileName();
    t.assetsName = info.completeBaseName() + QStringLiteral("-bestanden");
    return t;
}

QString WebExportFolder::ResourceRoot()
{
    static const bool initialised = [] {
        InitWebResources();
        return true;
    }();
    Q_UNUSED(initialised);
    return QStringLiteral(":/tolvek-web");
}

bool WebExportFolder::IsVersionName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9a-f]{%1}$").arg(VersionLength));
    return pattern.match(name).hasMatch();
}

QString WebExportFolder::VersionOfPage(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    static const QRegularExpression script(QStringLiteral("/([0-9a-f]{%1})/tolvek\\.js\"").arg(VersionLength));
    const QRegularExpressionMatch m = script.match(QString::fromUtf8(file.read(8192)));
    return m.hasMatch() ? m.captured(1) : QString();
}

WebExportFolder::State WebExportFolder::Inspect(const Target &target, QString *foreign)
{
    QString dummy;
    QString &first = foreign ? *foreign : dummy;
    first.clear();
    const QFileInfo folder(target.folder);
    if (!folder.exists())
        return State::Free;
    if (!folder.isDir()) {
        first = target.folder;
        return State::Occupied;
    }
    const QFileInfo page(target.PagePath());
    const QFileInfo assets(target.AssetsPath());
    const bool pageThere = page.exists() || page.isSymLink();
    const bool assetsThere = assets.exists() || assets.isSymLink();
    if (pageThere && (page.isSymLink() || !page.isFile() || !IsOurPage(page.filePath()))) {
        first = page.filePath();
        return State::Occupied;
    }
    if (assetsThere) {
        first = assets.isSymLink() || !assets.isDir() ? assets.filePath() : ForeignInAssets(assets.filePath());
        if (!first.isEmpty())
            return State::Occupied;
    }
    if (target.pageName == QLatin1String("index.html")) {
        // A folder of its own: nothing else may be in it but what a killed
        // export left.
        for (const QString &name : AllEntries(target.folder))
            if (name != target.pageName && name != target.assetsName && !IsTemporary(name)
                && !SafeFileWriter::IsTemporaryName(name, target.pageName)) {
                first = QDir(target.folder).filePath(name);
                return State::Occupied;
            }
    }
    return pageThere ? State::PreviousExport : State::Free;
}

WebExportFolder::WebExportFolder(const Target &target) : m_target(target)
{
}

WebExportFolder::~WebExportFolder()
{
    if (!m_committed)
        Abandon();
}

void WebExportFolder::RemoveLeftovers() const
{
    // With the lock held, no other export is writing here: every temporary
    // is a killed export's, whatever its age. A version the page does not
    // use was put in place by an export killed before its page.
    const QString assets = m_target.AssetsPath();
    const QString used = VersionOfPage(m_target.PagePath());
    const bool unversioned = QFileInfo(QDir(assets).filePath(QStringLiteral("tolvek.js"))).isFile();
    // A page of ours whose version cannot be told keeps them all.
    const bool known = !used.isEmpty() || unversioned || !QFileInfo::exists(m_target.PagePath());
    for (const QString &name : AllEntries(assets)) {
        const QString path = QDir(assets).filePath(name);
        if ((IsTemporary(name) && name != QLatin1String(LockName)) || (IsVersionName(name) && name != used && known))
            RemovePath(path);
    }
    // Temporary folders that exports of an earlier release left beside the page.
    for (const QString &name : AllEntries(m_target.folder))
        if (name.startsWith(QLatin1String(".tolvek-webpagina-")))
            RemovePath(QDir(m_target.folder).filePath(name));
}

void WebExportFolder::Begin(Missing missing)
{
    auto makeFolder = [](const QString &path, bool &made) {
        if (QFileInfo(path).isDir())
            return;
        if (::mkdir(QFile::encodeName(path).constData(), 0777) != 0) {
            const int error = errno;
            throw TolvekError(
                QStringLiteral("Kan de map \"%1\" niet maken: %2.").arg(Native(path), FileErrors::Text(error)));
        }
        made = true;
    };
    try {
        // Folders above it that are missing too, made from the top down.
        QStringList parents;
        for (QString f = QFileInfo(m_target.folder).path();
             !QFileInfo(f).exists() && !QFileInfo(f).isSymLink() && f != QFileInfo(f).path(); f = QFileInfo(f).path())
            parents.prepend(f);
        if (!parents.isEmpty() && missing != Missing::MakeAll)
            throw TolvekError(QStringLiteral("Kan de map \"%1\" niet maken: de map \"%2\" bestaat niet meer.")
                                  .arg(Native(m_target.folder), Native(parents.first())));
        if (missing == Missing::Refuse && !QFileInfo(m_target.folder).isDir())
            throw TolvekError(QStringLiteral("De map \"%1\" bestaat niet meer.").arg(Native(m_target.folder)));
        for (const QString &f : std::as_const(parents)) {
            bool made = false;
            makeFolder(f, made);
            if (made)
                m_madeParents.prepend(f);
        }
        makeFolder(m_target.folder, m_madeFolder);
        makeFolder(m_target.AssetsPath(), m_madeAssets);
        const QString lock = QDir(m_target.AssetsPath()).filePath(QLatin1String(LockName));
        switch (m_lock.Take(lock)) {
        case ProcessLock::Result::Taken:
            break;
        case ProcessLock::Result::HeldByOther:
            throw TolvekError(QStringLiteral("In de map \"%1\" wordt op dit moment al een webpagina geschreven.")
                                  .arg(Native(m_target.folder)));
        case ProcessLock::Result::Failed:
            throw TolvekError(
                QStringLiteral("Kan in de map \"%1\" niet schrijven.").arg(Native(m_target.AssetsPath())));
        }
        RemoveLeftovers();
        QByteArray pattern = QFile::encodeName(m_target.AssetsPath()) + '/' + TemporaryPrefix + "nieuw-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            const int error = errno;
            throw TolvekError(QStringLiteral("Kan in de map \"%1\" niet schrijven: %2.")
                                  .arg(Native(m_target.AssetsPath()), FileErrors::Text(error)));
        }
        // mkdtemp makes it private; the exported files are for sharing.
        ::chmod(pattern.constData(), 0755);
        m_temp = QFile::decodeName(pattern);
    } catch (...) {
        Abandon();
        throw;
    }
}

void WebExportFolder::MakeFolder(const QString &relative) const
{
    const QString path = m_temp + QLatin1Char('/') + relative;
    if (::mkdir(QFile::encodeName(path).constData(), 0755) != 0 && errno != EEXIST) {
        const int error = errno;
        throw TolvekError(QStringLiteral("Kan de map \"%1\" niet maken: %2.")
                              .arg(Native(QDir(m_target.AssetsPath()).filePath(relative)), FileErrors::Text(error)));
    }
}

void WebExportFolder::RemoveFolder(const QString &relative)
{
    QDir(m_temp + QLatin1Char('/') + relative).removeRecursively();
    const QString inside = relative + QLatin1Char('/');
    QMutexLocker locker(&m_digestLock);
    m_digests.removeIf([&](const QPair<QString, QByteArray> &d) { return d.first.startsWith(inside); });
}

void WebExportFolder::Write(const QString &relative, const QByteArray &bytes)
{
    // Plain writes into the new, private folder: no earlier file can be
    // damaged here, and the folder only becomes the export at Commit.
    const QString shown = QDir(m_target.AssetsPath()).filePath(relative);
    const QByteArray path = QFile::encodeName(m_temp + QLatin1Char('/') + relative);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        throw WriteError(shown, errno);
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            throw WriteError(shown, error);
        }
        p += n;
        left -= n;
    }
    if (::close(fd) != 0)
        throw WriteError(shown, errno);
    const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
    QMutexLocker locker(&m_digestLock);
    m_digests.append({relative, digest});
}

QString WebExportFolder::Version() const
{
    QMutexLocker locker(&m_digestLock);
    QList<QPair<QString, QByteArray>> sorted = m_digests;
    std::sort(sorted.begin(), sorted.end());
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const auto &[name, digest] : sorted) {
        hash.addData(name.toUtf8());
        hash.addData(QByteArrayView("\0", 1));
        hash.addData(digest);
    }
    return QString::fromLatin1(hash.result().toHex().left(VersionLength));
}

QString WebExportFolder::VersionAddress() const
{
    // The user's name for the page may hold anything, "#", "?", "%" and ":"
    // too: percent-encoded it stays one relative path segment.
    return QString::fromLatin1(QUrl::toPercentEncoding(m_target.assetsName)) + QLatin1Char('/') + Version();
}

void WebExportFolder::RemoveOldVersions(const QString &keep) const
{
    const QString assets = m_target.AssetsPath();
    const bool unversioned = QFileInfo(QDir(assets).filePath(QStringLiteral("tolvek.js"))).isFile();
    for (const QString &name : AllEntries(assets))
        if (name != keep && name != QLatin1String(LockName)
            && (IsVersionName(name) || IsTemporary(name) || (unversioned && IsUnversionedName(name))))
            RemovePath(QDir(assets).filePath(name));
}

void WebExportFolder::Commit()
{
    const QString version = Version();
    const QString final = QDir(m_target.AssetsPath()).filePath(version);
    auto fail = [this](const QString &reason) {
        return TolvekError(
            QStringLiteral("Kan de webpagina niet in de map \"%1\" zetten: %2.").arg(Native(m_target.folder), reason));
    };
    // The same files as a version already there: that one serves.
    bool placed = false;
    if (QFileInfo(final).isDir()) {
        QDir(m_temp).removeRecursively();
    } else {
        // The page must never point at files a power cut could still take:
        // the new version reaches the disk before it gets its name, and the
        // name before the page.
        if (const int error = SyncFolder(m_temp, true))
            throw fail(FileErrors::Text(error));
        if (::rename(QFile::encodeName(m_temp).constData(), QFile::encodeName(final).constData()) != 0)
            throw fail(FileErrors::Text(errno));
        placed = true;
        if (const int error = SyncFolder(m_target.AssetsPath(), false)) {
            QDir(final).removeRecursively();
            throw fail(FileErrors::Text(error));
        }
    }
    m_temp.clear();
    if (afterStep)
        afterStep(1);

    SafeFileWriter page(m_target.PagePath());
    if (!page.Open() || !page.Append(m_page.constData(), std::size_t(m_page.size())) || !page.Commit()) {
        if (placed)
            QDir(final).removeRecursively();
        throw fail(page.Reason());
    }
    m_committed = true;
    if (afterStep)
        afterStep(2);

    RemoveOldVersions(version);
    if (afterStep)
        afterStep(3);
    m_lock.Remove();
}

void WebExportFolder::Abandon()
{
    if (!m_temp.isEmpty()) {
        QDir(m_temp).removeRecursively();
        m_temp.clear();
    }
    if (m_lock.Held())
        m_lock.Remove();
    // Only when empty.
    if (m_madeAssets)
        ::rmdir(QFile::encodeName(m_target.AssetsPath()).constData());
    if (m_madeFolder)
        ::rmdir(QFile::encodeName(m_target.folder).constData());
    m_madeAssets = m_madeFolder = false;
    for (const QString &f : std::as_const(m_madeParents))
        ::rmdir(QFile::encodeName(f).constData());
    m_madeParents.clear();
}
