#pragma once

#include "core/photos/PhotoListOrder.h"
#include "core/photos/PhotoTextIndex.h"
#include "core/photos/ThumbnailCache.h"
#include "core/project/KeyTable.h"
#include "core/project/PhotoRecord.h"
#include "core/project/ProjectEdit.h"

#include <QAbstractListModel>
#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class PhotoMetadataCache;
class ProjectSession;
class QTimer;

// The photo list's rows: one per photo, in the order of the position list,
// read from the project where it is shown (the model copies no list). A
// filter narrows the rows to photos whose file name or notes hold the words
// typed, and a date range to photos taken then. The rows are in the order
// of the photo numbers, the file names or the times taken. Thumbnails and
// times are asked for only for rows that are painted (every photo's time
// when the order or the range needs it); a photo whose file cannot be
// found, or cannot be read, says so instead.
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
        TimeTextRole,                   // QString, when the photo was taken; empty when unknown
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

    // What the camera recorded comes from here (times for the list).
    void SetMetadata(PhotoMetadataCache *metadata);

    void SetOrder(PhotoListOrder::By by);
    PhotoListOrder::By Order() const { return m_order; }

    // Only photos taken from one day to another, both included; without
    // either, no limit on that side. Photos without a recorded time are
    // left out while a range is set.
    void SetDateRange(std::optional<QDate> from, std::optional<QDate> to);
    bool HasDateRange() const { return m_from || m_to; }
    // The first and last day of the times known now; nothing when none is.
    std::optional<std::pair<QDate, QDate>> KnownDates() const;

    // Whether a filter or a date range hides photos.
    bool IsNarrowed() const { return !m_filterText.trimmed().isEmpty() || HasDateRange(); }

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
    // When the row's photo was taken ("7 dec. 2026 14:03"); asks for it when
    // not known yet, and is empty until then or without a time.
    QString TimeText(int row) const;

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
    void MetadataReady();
    // The stored name of the photo at a position (empty without one).
    QString NameAt(qsizetype position) const;
    std::optional<qint64> TimeAt(qsizetype position) const;
    // Each position's time order key (PhotoListOrder::NoTime without one),
    // made once and kept until the project or the known times change.
    const std::vector<qint64> &TimeKeys() const;

    ProjectSession &m_session;
    ThumbnailCache &m_thumbnails;
    KeyTable m_names;
    KeyTable m_notes;
    QString m_filterText;
    bool m_filtered = false;       // m_rows holds the rows (else: all, in list order)
    std::vector<qsizetype> m_rows; // the positions shown, in the order shown
    std::vector<int> m_rowOf;      // position -> row, -1: hidden
    PhotoMetadataCache *m_metadata = nullptr;
    PhotoListOrder::By m_order = PhotoListOrder::By::Number;
    std::optional<QDate> m_from, m_to;
    QTimer *m_metadataTimer = nullptr;                // new times come in batches
    mutable std::vector<qint64> m_timeKeys;           // empty: not made
    PhotoTextIndex m_text;                            // made when a filter is first typed
    QString m_base;                                   // the folder names resolve against
    mutable QHash<QByteArray, QString> m_paths;       // stored name -> path
    mutable QHash<QString, QList<qsizetype>> m_asked; // name -> positions painted with it
};
