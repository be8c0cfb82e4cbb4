#include "core/web/WebExportFolder.h"

#include "core/base/TolvekError.h"
#include "core/platform/FileErrors.h"
#include "core/platform/SafeFileWriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

bool IsOurAssets(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink() && QFileInfo(QDir(path).filePath(QStringLiteral("tolvek.js"))).isFile();
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

WebExportFolder::State WebExportFolder::Inspect(const Target &target)
{
    const QFileInfo folder(target.folder);
    if (!folder.exists())
        return State::Free;
    if (!folder.isDir())
        return State::Occupied;
    const QFileInfo page(target.PagePath());
    const QFileInfo assets(target.AssetsPath());
    const bool pageThere = page.exists() || page.isSymLink();
    const bool assetsThere = assets.exists() || assets.isSymLink();
    if (pageThere && (page.isSymLink() || !page.isFile() || !IsOurPage(page.filePath())))
        return State::Occupied;
    if (assetsThere && !IsOurAssets(assets.filePath()))
        return State::Occupied;
    if (target.pageName == QLatin1String("index.html")) {
        // A folder of its own: nothing else may be in it.
        const QStringList entries =
            QDir(target.folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        // A temporary folder of an export that was killed half-way is ours.
        for (const QString &name : entries)
            if (name != target.pageName && name != target.assetsName
                && !(name.startsWith(QLatin1String(TemporaryPrefix))
                     && QFileInfo(QDir(target.folder).filePath(name)).isDir()))
                return State::Occupied;
    }
    return pageThere || assetsThere ? State::PreviousExport : State::Free;
}

WebExportFolder::WebExportFolder(const Target &target) : m_target(target)
{
}

WebExportFolder::~WebExportFolder()
{
    if (!m_committed)
        Abandon();
}

void WebExportFolder::RemoveStaleTemporaries() const
{
    // An export killed half-way leaves its temporary folder; one that has
    // not changed for as long as a stale save temporary is no longer written.
    const QDir folder(m_target.folder);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QStringList names = folder.entryList({QLatin1String(TemporaryPrefix) + QLatin1Char('*')},
                                               QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const QFileInfo info(folder.filePath(name));
        if (!info.isSymLink() && info.lastModified().secsTo(now) > SafeFileWriter::StaleSeconds)
            QDir(info.filePath()).removeRecursively();
    }
}

void WebExportFolder::Begin()
{
    const QByteArray folder = QFile::encodeName(m_target.folder);
    // The folder and every missing folder above it, made from the top down.
    QStringList missing;
    for (QString f = m_target.folder; !QFileInfo(f).isDir(); f = QFileInfo(f).path()) {
        if (QFileInfo(f).exists() || QFileInfo(f).isSymLink() || f == QFileInfo(f).path())
            break; // a file in the way: mkdir says so below
        missing.prepend(f);
    }
    if (missing.isEmpty() && !QFileInfo(m_target.folder).isDir())
        missing << m_target.folder;
    for (const QString &f : std::as_const(missing)) {
        if (::mkdir(QFile::encodeName(f).constData(), 0777) != 0) {
            const int error = errno;
            Abandon();
            throw TolvekError(
                QStringLiteral("Kan de map \"%1\" niet maken: %2.").arg(Native(f), FileErrors::Text(error)));
        }
        m_madeFolders.prepend(f);
    }
    RemoveStaleTemporaries();
    QByteArray pattern = folder + '/' + TemporaryPrefix + "XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        const int error = errno;
        Abandon();
        throw TolvekError(QStringLiteral("Kan in de map \"%1\" niet schrijven: %2.")
                              .arg(Native(m_target.folder), FileErrors::Text(error)));
    }
    // mkdtemp makes it private; the exported files are for sharing.
    ::chmod(pattern.constData(), 0755);
    m_temp = QFile::decodeName(pattern);
}

void WebExportFolder::MakeFolder(const QString &relative) const
{
    const QString path = m_temp + QLatin1Char('/') + relative;
    if (::mkdir(QFile::encodeName(path).constData(), 0755) != 0 && errno != EEXIST) {
        const int error = errno;
        throw TolvekError(QStringLiteral("Kan de map \"%1\" niet maken: %2.")
                              .arg(Native(QDir(m_target.folder).filePath(relative)), FileErrors::Text(error)));
    }
}

void WebExportFolder::Write(const QString &relative, const QByteArray &bytes) const
{
    // Plain writes into the new, private folder: no earlier file can be
    // damaged here, and the folder only becomes the export at Commit.
    const QString shown = QDir(m_target.folder).filePath(relative);
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
}

void WebExportFolder::Commit()
{
    const QByteArray page = QFile::encodeName(m_target.PagePath());
    const QByteArray assets = QFile::encodeName(m_target.AssetsPath());
    const QByteArray newPage = QFile::encodeName(m_temp + QLatin1Char('/') + m_target.pageName);
    const QByteArray newAssets = QFile::encodeName(m_temp + QLatin1Char('/') + m_target.assetsName);
    const QByteArray oldAssets = QFile::encodeName(m_temp + QStringLiteral("/vorige-bestanden"));

    auto fail = [this](int error) {
        return TolvekError(QStringLiteral("Kan de webpagina niet in de map \"%1\" zetten: %2.")
                               .arg(Native(m_target.folder), FileErrors::Text(error)));
    };
    // An earlier export's files go into the temporary folder, to be removed
    // with it; the page itself is replaced in one step at the end.
    struct stat st;
    const bool hadAssets = ::lstat(assets.constData(), &st) == 0;
    if (hadAssets && ::rename(assets.constData(), oldAssets.constData()) != 0)
        throw fail(errno);
    if (::rename(newAssets.constData(), assets.constData()) != 0) {
        const int error = errno;
        if (hadAssets)
            ::rename(oldAssets.constData(), assets.constData());
        throw fail(error);
    }
    if (::rename(newPage.constData(), page.constData()) != 0) {
        const int error = errno;
        ::rename(assets.constData(), newAssets.constData());
        if (hadAssets)
            ::rename(oldAssets.constData(), assets.constData());
        throw fail(error);
    }
    m_committed = true;
    QDir(m_temp).removeRecursively();
    m_temp.clear();
}

void WebExportFolder::Abandon()
{
    if (!m_temp.isEmpty()) {
        QDir(m_temp).removeRecursively();
        m_temp.clear();
    }
    // Only when empty, the deepest first.
    for (const QString &f : std::as_const(m_madeFolders))
        ::rmdir(QFile::encodeName(f).constData());
    m_madeFolders.clear();
}
