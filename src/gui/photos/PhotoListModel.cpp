#include "gui/photos/PhotoListModel.h"

#include "core/photos/PhotoMetadataCache.h"
#include "core/photos/PhotoTextFilter.h"
#include "core/platform/AnsiCodec.h"
#include "core/platform/PathResolver.h"
#include "core/project/PhotoEntry.h"
#include "core/project/PhotoNotes.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"

#include <QDateTime>
#include <QDir>
#include <QTimer>

#include <algorithm>

namespace {

// Remembered paths and painted rows are only for what was shown lately; a
// long scroll through a huge list starts them afresh.
constexpr qsizetype kRememberAtMost = 4096;

} // namespace

PhotoListModel::PhotoListModel(ProjectSession &session, ThumbnailCache &thumbnails, QObject *parent)
    : QAbstractListModel(parent),
      m_session(session),
      m_thumbnails(thumbnails)
{
    connect(&m_session, &ProjectSession::Changed, this, &PhotoListModel::ProjectChanged);
    connect(&m_thumbnails, &ThumbnailCache::Ready, this, &PhotoListModel::ThumbnailReady);
    m_metadataTimer = new QTimer(this);
    m_metadataTimer->setSingleShot(true);
    m_metadataTimer->setInterval(250);
    connect(m_metadataTimer, &QTimer::timeout, this, &PhotoListModel::MetadataReady);
    beginResetModel();
    Rebuild();
    endResetModel();
}

void PhotoListModel::ProjectChanged(ProjectChanges changes)
{
    if (!(changes & ProjectChange::Photos))
        return;
    beginResetModel();
    Rebuild();
    endResetModel();
    emit Rebuilt(changes.testFlag(ProjectChange::Whole));
}

void PhotoListModel::Rebuild()
{
    const ProjectDocument &doc = m_session.Document();
    m_names.Build(doc.NameList, KeyTable::BadKeys::Skip);
    m_notes.Build(doc.NotesList, KeyTable::BadKeys::Skip);
    const QString folder = doc.ProjectFolder();
    m_base = folder.isEmpty() ? QDir::currentPath() : folder;
    m_paths.clear();
    m_asked.clear();
    m_text.Clear();
    m_timeKeys.clear();
    Refilter();
}

void PhotoListModel::SetFilter(const QString &text)
{
    if (text == m_filterText)
        return;
    beginResetModel();
    m_filterText = text;
    Refilter();
    endResetModel();
    emit Rebuilt(false);
}

void PhotoListModel::Refilter()
{
    const PhotoTextFilter filter(m_filterText);
    const ProjectDocument &doc = m_session.Document();
    const qsizetype count = doc.PositionList.size();
    m_rows.clear();
    m_rowOf.clear();
    const bool byText = !filter.IsEmpty();
    const bool byDate = HasDateRange();
    // The number order is the list's own as long as the keys go up.
    bool sorted = m_order == PhotoListOrder::By::Number;
    if (sorted) {
        std::int32_t previous = 0;
        for (qsizetype p = 0; p < count && sorted; ++p) {
            std::int32_t key = 0;
            sorted = KeyTable::EntryKey(doc.PositionList[p], key) && (p == 0 || key > previous);
            previous = key;
        }
    }
    m_filtered = byText || byDate || !sorted;
    if (!m_filtered)
        return;
    if (byText) {
        if (m_text.IsEmpty() && count > 0) {
            for (qsizetype p = 0; p < count; ++p) {
                std::int32_t key = 0;
                QByteArrayView name, notes;
                if (KeyTable::EntryKey(doc.PositionList[p], key)) {
                    const qsizetype n = m_names.Find(key);
                    if (n >= 0 && n < doc.NameList.size())
                        name = PhotoEntry::ValueView(doc.NameList[n]);
                    const qsizetype t = m_notes.Find(key);
                    if (t >= 0 && t < doc.NotesList.size())
                        notes = PhotoNotes::Meaningful(PhotoEntry::ValueView(doc.NotesList[t]));
                }
                m_text.Append(name, notes);
            }
        }
        m_rows = m_text.Find(filter);
    } else {
        m_rows.resize(size_t(count));
        for (qsizetype p = 0; p < count; ++p)
            m_rows[size_t(p)] = p;
    }
    if (byDate) {
        const std::optional<qint64> from =
            m_from ? std::optional<qint64>(m_from->startOfDay(Qt::UTC).toMSecsSinceEpoch()) : std::nullopt;
        const std::optional<qint64> to =
            m_to ? std::optional<qint64>(m_to->addDays(1).startOfDay(Qt::UTC).toMSecsSinceEpoch()) : std::nullopt;
        std::erase_if(m_rows, [&](qsizetype p) {
            // The day as the camera's clock had it, whatever its offset.
            const std::optional<qint64> wall = TimeAt(p);
            return !wall || (from && *wall < *from) || (to && *wall >= *to);
        });
    }
    if (!sorted && m_order == PhotoListOrder::By::Time) {
        PhotoListOrder::SortByKey(m_rows, TimeKeys());
    } else if (!sorted) {
        std::vector<PhotoListOrder::Item> items(static_cast<size_t>(count));
        for (const qsizetype p : m_rows) {
            PhotoListOrder::Item &item = items[size_t(p)];
            if (m_order == PhotoListOrder::By::Name) {
                item.name = NameAt(p);
            } else {
                std::int32_t key = 0;
                if (KeyTable::EntryKey(doc.PositionList[p], key))
                    item.number = key;
            }
        }
        PhotoListOrder::Sort(m_rows, m_order, items);
    }
    m_rowOf.assign(size_t(count), -1);
    for (size_t r = 0; r < m_rows.size(); ++r)
        m_rowOf[size_t(m_rows[r])] = int(r);
}

QString PhotoListModel::NameAt(qsizetype position) const
{
    const ProjectDocument &doc = m_session.Document();
    std::int32_t key = 0;
    if (position < 0 || position >= doc.PositionList.size() || !KeyTable::EntryKey(doc.PositionList[position], key))
        return QString();
    const qsizetype n = m_names.Find(key);
    if (n < 0 || n >= doc.NameList.size())
        return QString();
    return AnsiCodec::toUnicode(PhotoEntry::Value(doc.NameList[n]));
}

const std::vector<qint64> &PhotoListModel::TimeKeys() const
{
    const qsizetype count = m_session.Document().PositionList.size();
    if (m_timeKeys.size() == size_t(count))
        return m_timeKeys;
    m_timeKeys.assign(size_t(count), PhotoListOrder::NoTime);
    if (m_metadata)
        for (qsizetype p = 0; p < count; ++p) {
            const QString name = NameAt(p);
            const CameraRecord record = name.isEmpty() ? CameraRecord() : m_metadata->Peek(name, m_base).record;
            if (record.HasTime())
                m_timeKeys[size_t(p)] = record.SortKey();
        }
    return m_timeKeys;
}

std::optional<qint64> PhotoListModel::TimeAt(qsizetype position) const
{
    if (!m_metadata)
        return std::nullopt;
    const QString name = NameAt(position);
    if (name.isEmpty())
        return std::nullopt;
    const CameraRecord record = m_metadata->Peek(name, m_base).record;
    if (!record.HasTime())
        return std::nullopt;
    return QDateTime(record.date, record.time, Qt::UTC).toMSecsSinceEpoch();
}

void PhotoListModel::SetMetadata(PhotoMetadataCache *metadata)
{
    if (m_metadata)
        disconnect(m_metadata, nullptr, this, nullptr);
    m_metadata = metadata;
    m_timeKeys.clear();
    if (m_metadata)
        connect(m_metadata, &PhotoMetadataCache::Ready, m_metadataTimer, qOverload<>(&QTimer::start));
    if (m_order == PhotoListOrder::By::Time || HasDateRange())
        MetadataReady();
}

void PhotoListModel::SetOrder(PhotoListOrder::By by)
{
    if (by == m_order)
        return;
    beginResetModel();
    m_order = by;
    Refilter();
    endResetModel();
    emit Rebuilt(false);
}

void PhotoListModel::SetDateRange(std::optional<QDate> from, std::optional<QDate> to)
{
    if (from == m_from && to == m_to)
        return;
    beginResetModel();
    m_from = from;
    m_to = to;
    Refilter();
    endResetModel();
    emit Rebuilt(false);
}

std::optional<std::pair<QDate, QDate>> PhotoListModel::KnownDates() const
{
    if (!m_metadata)
        return std::nullopt;
    std::optional<std::pair<QDate, QDate>> span;
    const qsizetype count = m_session.Document().PositionList.size();
    for (qsizetype p = 0; p < count; ++p) {
        const QString name = NameAt(p);
        if (name.isEmpty())
            continue;
        const CameraRecord record = m_metadata->Peek(name, m_base).record;
        if (!record.HasTime())
            continue;
        if (!span)
            span = std::make_pair(record.date, record.date);
        span->first = std::min(span->first, record.date);
        span->second = std::max(span->second, record.date);
    }
    return span;
}

QString PhotoListModel::TimeText(int row) const
{
    if (!m_metadata)
        return QString();
    const QString name = NameAt(PositionAt(row));
    return name.isEmpty() ? QString() : m_metadata->Request(name, m_base).record.TimeText();
}

void PhotoListModel::MetadataReady()
{
    // Times that came in may move rows (an order or range by time) or only
    // show in them.
    m_timeKeys.clear();
    if (m_order == PhotoListOrder::By::Time || HasDateRange()) {
        beginResetModel();
        Refilter();
        endResetModel();
        emit Rebuilt(false);
    } else if (rowCount() > 0) {
        emit dataChanged(index(0), index(rowCount() - 1), {TimeTextRole});
    }
}

int PhotoListModel::TotalCount() const
{
    return int(m_session.Document().PositionList.size());
}

int PhotoListModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_filtered ? int(m_rows.size()) : TotalCount();
}

QModelIndex PhotoListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || column != 0 || row < 0 || row >= rowCount())
        return QModelIndex();
    return createIndex(row, 0);
}

qsizetype PhotoListModel::PositionAt(int row) const
{
    if (row < 0)
        return -1;
    const qsizetype position = m_filtered ? (size_t(row) < m_rows.size() ? m_rows[size_t(row)] : -1) : row;
    return position < m_session.Document().PositionList.size() ? position : -1;
}

int PhotoListModel::RowOf(qsizetype position) const
{
    if (position < 0 || position >= m_session.Document().PositionList.size())
        return -1;
    if (!m_filtered)
        return int(position);
    return size_t(position) < m_rowOf.size() ? m_rowOf[size_t(position)] : -1;
}

PhotoRecord PhotoListModel::RowAt(int row) const
{
    return PhotoRecord::Read(
        m_session.Document(), PositionAt(row), [this](std::int32_t key) { return m_names.Find(key); },
        [this](std::int32_t key) { return m_notes.Find(key); });
}

QString PhotoListModel::FilePath(int row) const
{
    const PhotoRecord r = RowAt(row);
    if (r.storedName.isEmpty())
        return QString();
    auto it = m_paths.constFind(r.storedName);
    if (it != m_paths.constEnd())
        return *it;
    if (m_paths.size() >= kRememberAtMost)
        m_paths.clear();
    const QString path = PathResolver::Resolve(r.storedName, m_base);
    m_paths.insert(r.storedName, path);
    return path;
}

ThumbnailCache::Thumbnail PhotoListModel::Thumbnail(int row) const
{
    const PhotoRecord r = RowAt(row);
    if (r.storedName.isEmpty()) {
        ThumbnailCache::Thumbnail none;
        none.state = ThumbnailCache::State::Missing;
        return none;
    }
    // The cache finds the file itself, off the GUI thread, and shares what
    // it made with the map's hover.
    const QString name = AnsiCodec::toUnicode(r.storedName);
    const ThumbnailCache::Thumbnail t = m_thumbnails.Request(name, m_base);
    if (t.state == ThumbnailCache::State::Loading) {
        if (m_asked.size() >= kRememberAtMost)
            m_asked.clear();
        QList<qsizetype> &positions = m_asked[name];
        const qsizetype position = PositionAt(row);
        if (!positions.contains(position))
            positions.append(position);
    }
    return t;
}

void PhotoListModel::ThumbnailReady(const QString &name, const QString &folder)
{
    if (folder != m_base)
        return;
    const auto it = m_asked.constFind(name);
    if (it == m_asked.constEnd())
        return;
    for (const qsizetype position : *it) {
        const int row = RowOf(position);
        if (row >= 0)
            emit dataChanged(index(row), index(row), {Qt::DecorationRole, FileStateRole});
    }
    m_asked.remove(name);
}

void PhotoListModel::RecheckFiles()
{
    if (rowCount() == 0)
        return;
    m_paths.clear();
    emit dataChanged(index(0), index(rowCount() - 1), {Qt::DecorationRole, FileStateRole, Qt::ToolTipRole});
}

PhotoListModel::FileState PhotoListModel::StateOf(ThumbnailCache::State state)
{
    switch (state) {
    case ThumbnailCache::State::Ready:
        return FileState::Ready;
    case ThumbnailCache::State::Missing:
        return FileState::Missing;
    case ThumbnailCache::State::Broken:
        return FileState::Broken;
    case ThumbnailCache::State::Loading:
        break;
    }
    return FileState::Loading;
}

QVariant PhotoListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: {
        const PhotoRecord r = RowAt(row);
        return QString::fromLatin1(r.keyText) + QStringLiteral("  ") + AnsiCodec::toUnicode(r.storedName);
    }
    case KeyTextRole:
        return RowAt(row).keyText;
    case FileNameRole:
        return AnsiCodec::toUnicode(RowAt(row).storedName);
    case NotesLineRole:
        return RowAt(row).notesLine;
    case TimeTextRole:
        return TimeText(row);
    case PositionRole:
        return QVariant::fromValue(PositionAt(row));
    case FileStateRole:
        return int(StateOf(Thumbnail(row).state));
    case Qt::DecorationRole:
        return Thumbnail(row).image;
    case Qt::ToolTipRole: {
        const ThumbnailCache::Thumbnail t = Thumbnail(row);
        const QString path = QDir::toNativeSeparators(FilePath(row));
        switch (t.state) {
        case ThumbnailCache::State::Missing:
            return path.isEmpty() ? QStringLiteral("Deze foto heeft geen bestandsnaam.")
                                  : QStringLiteral("Bestand niet gevonden: %1").arg(path);
        case ThumbnailCache::State::Broken:
            return t.problem.isEmpty() ? QStringLiteral("Het bestand kan niet worden gelezen: %1").arg(path)
                                       : t.problem;
        default:
            return path;
        }
    }
    default:
        return QVariant();
    }
}
