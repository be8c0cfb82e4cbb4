#pragma once

#include "core/platform/ProcessLock.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>

// Where a web page export goes and how it gets there. The page NAME.html
// (or index.html) refers to its files in NAME-bestanden/<version>/, a
// folder named after what is in it. A new export is written into a hidden
// temporary folder beside the versions; at the end it becomes a version of
// its own, then the page is replaced in one step, and only then are the
// old versions removed. Killed between any two of these steps, the folder
// holds a page with all its files: the old one or the new one. Nothing
// outside the chosen folder is touched; the user's names never become file
// names, and files of the user's own are never removed.
class WebExportFolder
{
public:
    // The page and its folder of files, side by side in folder.
    struct Target
    {
        QString folder;     // absolute
        QString pageName;   // "index.html", or the name the user gave
        QString assetsName; // the page's base name and "-bestanden"
        QString PagePath() const;
        QString AssetsPath() const;
    };

    // OUTPUT/ (a folder: index.html in it) or OUTPUT.html (that page, its
    // files beside it). A name that ends in neither is taken as a folder.
    static Target ForOutput(const QString &output);
    static Target ForFolder(const QString &folder);

    enum class State {
        Free,           // nothing of a page there (perhaps leftovers of a killed export)
        PreviousExport, // an earlier export of this program, and nothing else
        Occupied,       // other files there, or the names are taken
    };
    // foreign: the first file or folder that makes it Occupied.
    static State Inspect(const Target &target, QString *foreign = nullptr);
    // Where the program keeps the page's own files (script, style,
    // Leaflet); every version holds them under the same relative names.
    static QString ResourceRoot();

    explicit WebExportFolder(const Target &target);
    // Without a Commit, removes what was written (Abandon).
    ~WebExportFolder();
    WebExportFolder(const WebExportFolder &) = delete;
    WebExportFolder &operator=(const WebExportFolder &) = delete;

    // Which missing folders Begin makes: the folder and those above it (a
    // path given on the command line); the folder alone (a new one named in
    // the dialog, which showed the folders above it); none (a folder picked
    // in the dialog). What was there when picked and is gone now is a
    // removed disk or share: made anew, the page would land somewhere else.
    enum class Missing { MakeAll, MakeFolder, Refuse };

    // Makes the missing folders that missing allows, takes the assets
    // folder's lock (one export at a time), removes what exports that no
    // longer run left there, and makes the temporary folder. Throws
    // TolvekError.
    void Begin(Missing missing = Missing::MakeAll);

    // Writes a file below the new version's folder ("fotos/x.jpg"). Safe to
    // call from several threads for different files. Throws TolvekError
    // naming the file.
    void Write(const QString &relative, const QByteArray &bytes);
    // Makes a folder below the new version's folder. Throws TolvekError.
    void MakeFolder(const QString &relative) const;
    // Removes a folder below the new version's folder with everything
    // written into it, which then no longer counts for the version. Not
    // while files are written into it.
    void RemoveFolder(const QString &relative);

    // The new version's name: a digest of every file written, with its
    // name. Write nothing after asking.
    QString Version() const;
    // The page refers to its files by this address, relative to the page.
    QString VersionAddress() const;
    // The page, written last at Commit.
    void SetPage(const QByteArray &page) { m_page = page; }

    // Puts the new version and the page in place and removes the earlier
    // export's files. Throws TolvekError; the folder then shows the page
    // as it was.
    void Commit();
    // Removes the temporary folder, and the folders Begin made when they
    // are empty again.
    void Abandon();

    // For tests: called after each step of Commit (1: the version is in
    // place, 2: the page, 3: the old versions are gone).
    std::function<void(int step)> afterStep;

    const Target &target() const { return m_target; }

    // The marker in a page that says this program wrote it.
    static QByteArray GeneratorMeta() { return QByteArrayLiteral("<meta name=\"generator\" content=\"Tolvek\">"); }
    static constexpr const char *TemporaryPrefix = ".tolvek-";
    static constexpr const char *LockName = ".tolvek-bezig";
    static constexpr int VersionLength = 16;
    // Whether name is what Version gives.
    static bool IsVersionName(const QString &name);
    // The version the page at path refers to; empty when none.
    static QString VersionOfPage(const QString &path);

private:
    // Removes what killed exports left: temporaries, versions no page uses.
    void RemoveLeftovers() const;
    // Removes the earlier export's files but for keep.
    void RemoveOldVersions(const QString &keep) const;

    Target m_target;
    QString m_temp;
    QByteArray m_page;
    ProcessLock m_lock;
    bool m_madeFolder = false;
    QStringList m_madeParents; // above the folder, by Begin; the deepest first
    bool m_madeAssets = false;
    bool m_committed = false;
    mutable QMutex m_digestLock;
    QList<QPair<QString, QByteArray>> m_digests; // relative name, SHA-1
};
