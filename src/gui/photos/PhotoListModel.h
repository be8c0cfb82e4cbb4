#pragma once

#include "core/photos/PhotoTextIndex.h"
#include "core/photos/ThumbnailCache.h"
#include "core/project/KeyTable.h"
#include "core/project/PhotoRecord.h"
#include "core/project/ProjectEdit.h"

#include <QAbstractListModel>
#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <vector>

class ProjectSession;

// The photo list's rows: one per photo, in the order of the position list,
// read from the project where it is shown (the model copies no list). A
// filter narrows the rows to photos whose file name or notes hold the words
// typed. Thumbnails are asked for only for rows that are painted; a photo
// whose file cannot be found, or cannot be read, says so instead.
class PhotoListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role {
        KeyTextRole = Qt::UserRole + 1, // QByteArray, the position entry's key
        FileNameRole,                   // QString, as stored
        NotesLineRole,                  // QString, the first line of the notes
        FileStateRole,                  // int, a FileState
        PositionRole,                   // the row's index in the position list
    };
    enum class FileState { Loading, Ready, Missing, Broken };

    PhotoListModel(ProjectSession &session, ThumbnailCache &thumbnails, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // Without the general checks: the view asks for every row's index when
    // it lays out a hundred thousand rows.
    QModelIndex index(int row, int column = 0, const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // The words typed in the filter field; empty shows every photo.
    void SetFilter(const QString &text);
    const QString &Filter() const { return m_filterText; }

    // How many photos the project has (the rows without the filter).
    int TotalCount() const;

    qsizetype PositionAt(int row) const;
    // The row of a photo; -1 when the filter hides it.
    int RowOf(qsizetype position) const;

    // What a row shows.
    PhotoRecord RowAt(int row) const;

    // The file's thumbnail or why there is none; asks for one when needed.
    ThumbnailCache::Thumbnail Thumbnail(int row) const;
    // Where the row's file is looked for (empty without a name).
    QString FilePath(int row) const;

    // Files may have come back or gone since they were looked for.
    void RecheckFiles();

    static FileState StateOf(ThumbnailCache::State state);

    const ProjectSession &Session() const { return m_session; }

signals:
    // The rows were made anew: after a change of the project's photos
    // (whole: another project) or of the filter.
    void Rebuilt(bool whole);

private:
    void ProjectChanged(ProjectChanges changes);
    void Rebuild();
    void Refilter();
    void ThumbnailReady(const QString &name, const QString &folder);

    ProjectSession &m_session;
    ThumbnailCache &m_thumbnails;
    KeyTable m_names;
    KeyTable m_notes;
    QString m_filterText;
    bool m_filtered = false;
    std::vector<qsizetype> m_rows;                    // with a filter: the positions shown
    PhotoTextIndex m_text;                            // made when a filter is first typed
    QString m_base;                                   // the folder names resolve against
    mutable QHash<QByteArray, QString> m_paths;       // stored name -> path
    mutable QHash<QString, QList<qsizetype>> m_asked; // name -> positions painted with it
};
