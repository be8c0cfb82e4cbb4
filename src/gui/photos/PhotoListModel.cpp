#include "gui/photos/PhotoListModel.h"

#include "core/photos/PhotoTextFilter.h"
#include "core/platform/AnsiCodec.h"
#include "core/platform/PathResolver.h"
#include "core/project/PhotoEntry.h"
#include "core/project/PhotoNotes.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"

#include <QDir>

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
    beginResetModel();
    Rebuild();
    endResetModel();
}

void PhotoListModel::ProjectChanged(ProjectChanges changes)
{
    if (!(changes & (ProjectChange::Photos | ProjectChange::Whole)))
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
    m_filtered = !filter.IsEmpty();
    m_rows.clear();
    if (!m_filtered)
        return;
    const ProjectDocument &doc = m_session.Document();
    if (m_text.IsEmpty() && !doc.PositionList.isEmpty()) {
        const qsizetype count = doc.PositionList.size();
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
    const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), position);
    return it != m_rows.end() && *it == position ? int(it - m_rows.begin()) : -1;
}

PhotoListModel::Row PhotoListModel::RowAt(int row) const
{
    Row r;
    r.position = PositionAt(row);
    if (r.position < 0)
        return r;
    const ProjectDocument &doc = m_session.Document();
    const QByteArray &entry = doc.PositionList[r.position];
    r.keyText = PhotoEntry::KeyText(entry);
    r.hasNumber = KeyTable::EntryKey(entry, r.number);
    if (!r.hasNumber)
        return r;
    r.nameIndex = m_names.Find(r.number);
    if (r.nameIndex >= doc.NameList.size())
        r.nameIndex = -1;
    if (r.nameIndex >= 0)
        r.fileName = PhotoEntry::Value(doc.NameList[r.nameIndex]);
    r.notesIndex = m_notes.Find(r.number);
    if (r.notesIndex >= doc.NotesList.size())
        r.notesIndex = -1;
    if (r.notesIndex >= 0) {
        const QByteArrayView notes = PhotoNotes::Meaningful(PhotoEntry::ValueView(doc.NotesList[r.notesIndex]));
        qsizetype end = 0;
        while (end < notes.size() && notes[end] != '\x9d' && notes[end] != '\r' && notes[end] != '\n')
            ++end;
        r.notesLine = AnsiCodec::toUnicode(notes.first(end).toByteArray());
    }
    return r;
}

QString PhotoListModel::FilePath(int row) const
{
    const Row r = RowAt(row);
    if (r.fileName.isEmpty())
        return QString();
    auto it = m_paths.constFind(r.fileName);
    if (it != m_paths.constEnd())
        return *it;
    if (m_paths.size() >= kRememberAtMost)
        m_paths.clear();
    const QString path = PathResolver::Resolve(r.fileName, m_base);
    m_paths.insert(r.fileName, path);
    return path;
}

ThumbnailCache::Thumbnail PhotoListModel::Thumbnail(int row) const
{
    const Row r = RowAt(row);
    if (r.fileName.isEmpty()) {
        ThumbnailCache::Thumbnail none;
        none.state = ThumbnailCache::State::Missing;
        return none;
    }
    // The cache finds the file itself, off the GUI thread, and shares what
    // it made with the map's hover.
    const QString name = AnsiCodec::toUnicode(r.fileName);
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
        const Row r = RowAt(row);
        return QString::fromLatin1(r.keyText) + QStringLiteral("  ") + AnsiCodec::toUnicode(r.fileName);
    }
    case KeyTextRole:
        return RowAt(row).keyText;
    case FileNameRole:
        return AnsiCodec::toUnicode(RowAt(row).fileName);
    case NotesLineRole:
        return RowAt(row).notesLine;
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
