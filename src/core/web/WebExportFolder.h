#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Where a web page export goes and how it gets there. Everything is written
// into a hidden temporary folder inside the chosen folder; only when all of
// it is there does it move into place, the page last. A cancelled or failed
// export therefore leaves no half-written page, and nothing outside the
// chosen folder is ever touched: the user's names never become file names.
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
        Free,           // the folder is empty or does not exist yet
        PreviousExport, // it holds only an earlier export of this program
        Occupied,       // it holds other files (or the names are taken)
    };
    static State Inspect(const Target &target);

    explicit WebExportFolder(const Target &target);
    // Without a Commit, removes what was written (Abandon).
    ~WebExportFolder();
    WebExportFolder(const WebExportFolder &) = delete;
    WebExportFolder &operator=(const WebExportFolder &) = delete;

    // Makes the folder (with the folders above it) when it is missing and
    // the temporary folder in it,
    // after removing those that killed exports left over an hour ago.
    // Throws TolvekError.
    void Begin();

    // Writes a file below the temporary folder: relative is "index.html" or
    // a path below the assets folder's name. Safe to call from several
    // threads for different files. Throws TolvekError naming the file.
    void Write(const QString &relative, const QByteArray &bytes) const;
    // Makes a folder below the temporary folder. Throws TolvekError.
    void MakeFolder(const QString &relative) const;

    // Moves the new files into place, replacing an earlier export of this
    // program. Throws TolvekError; the folder is then as it was.
    void Commit();
    // Removes the temporary folder, and the folders Begin made when they
    // are empty again.
    void Abandon();

    const Target &target() const { return m_target; }
    // The temporary folder (for tests).
    const QString &TemporaryPath() const { return m_temp; }

    // The marker in a page that says this program wrote it.
    static QByteArray GeneratorMeta() { return QByteArrayLiteral("<meta name=\"generator\" content=\"Tolvek\">"); }
    static constexpr const char *TemporaryPrefix = ".tolvek-webpagina-";

private:
    // Removes temporary folders of exports that were killed long ago.
    void RemoveStaleTemporaries() const;

    Target m_target;
    QString m_temp;
    QStringList m_madeFolders; // by Begin, the deepest first
    bool m_committed = false;
};
