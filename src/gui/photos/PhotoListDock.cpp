#include "gui/photos/PhotoListDock.h"

#include "core/platform/AppSettings.h"
#include "core/project/KeyTable.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "gui/photos/PhotoListDelegate.h"
#include "gui/photos/PhotoListModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

PhotoListDock::PhotoListDock(ProjectSession &session, ThumbnailCache &thumbnails, QWidget *parent)
    : QDockWidget(QStringLiteral("Foto's"), parent),
      m_session(session)
{
    setObjectName(QStringLiteral("FotosDock"));
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    toggleViewAction()->setText(QStringLiteral("Lijst met &foto's"));

    auto *content = new QWidget(this);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);

    m_filter = new QLineEdit(content);
    m_filter->setObjectName(QStringLiteral("FotoFilter"));
    m_filter->setPlaceholderText(QStringLiteral("Zoeken in namen en aantekeningen (Ctrl+F)"));
    m_filter->setToolTip(QStringLiteral("Toont alleen foto's waarvan de bestandsnaam of de aantekeningen elk "
                                        "getypt woord bevatten; hoofdletters en accenten tellen niet."));
    m_filter->setClearButtonEnabled(true);
    m_filter->installEventFilter(this);
    layout->addWidget(m_filter);

    auto *orderRow = new QHBoxLayout;
    auto *orderLabel = new QLabel(QStringLiteral("&Volgorde:"), content);
    m_order = new QComboBox(content);
    m_order->setObjectName(QStringLiteral("FotoVolgorde"));
    m_order->addItems({QStringLiteral("Nummer"), QStringLiteral("Naam"), QStringLiteral("Tijd van opname")});
    orderLabel->setBuddy(m_order);
    orderRow->addWidget(orderLabel);
    orderRow->addWidget(m_order, 1);
    layout->addLayout(orderRow);

    auto *periodRow = new QHBoxLayout;
    m_period = new QCheckBox(QStringLiteral("&Periode"), content);
    m_period->setObjectName(QStringLiteral("FotoPeriode"));
    m_period->setToolTip(QStringLiteral("Toont alleen foto's die van de ene tot en met de andere dag zijn genomen"));
    m_from = new QDateEdit(content);
    m_from->setObjectName(QStringLiteral("FotoVan"));
    m_to = new QDateEdit(content);
    m_to->setObjectName(QStringLiteral("FotoTot"));
    for (QDateEdit *edit : {m_from, m_to}) {
        edit->setDisplayFormat(QStringLiteral("d-M-yyyy"));
        edit->setCalendarPopup(true);
        edit->setDate(QDate::currentDate());
        edit->setEnabled(false);
    }
    periodRow->addWidget(m_period);
    periodRow->addWidget(m_from, 1);
    periodRow->addWidget(new QLabel(QStringLiteral("t/m"), content));
    periodRow->addWidget(m_to, 1);
    layout->addLayout(periodRow);

    m_count = new QLabel(content);
    m_count->setObjectName(QStringLiteral("FotoAantal"));
    layout->addWidget(m_count);

    m_model = new PhotoListModel(session, thumbnails, this);
    m_view = new QListView(content);
    m_view->setObjectName(QStringLiteral("FotoLijst"));
    m_view->setModel(m_model);
    m_view->setItemDelegate(new PhotoListDelegate(m_view));
    m_view->setUniformItemSizes(true);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->installEventFilter(this);
    layout->addWidget(m_view, 1);
    setWidget(content);

    connect(m_filter, &QLineEdit::textChanged, m_model, &PhotoListModel::SetFilter);
    const PhotoListOrder::By order =
        PhotoListOrder::FromSettingName(AppSettings::Open()->value(QStringLiteral("Fotolijst/Volgorde")).toString());
    m_order->setCurrentIndex(int(order));
    m_model->SetOrder(order);
    connect(m_order, &QComboBox::currentIndexChanged, this, [this](int index) {
        const auto by = PhotoListOrder::By(std::clamp(index, 0, 2));
        AppSettings::Remember(QStringLiteral("Fotolijst/Volgorde"), PhotoListOrder::SettingName(by));
        m_model->SetOrder(by);
    });
    connect(m_period, &QCheckBox::toggled, this, [this](bool on) {
        // The first time: the days the photos were taken, as far as known.
        if (on && !m_periodUsed) {
            if (const auto span = m_model->KnownDates()) {
                m_from->setDate(span->first);
                m_to->setDate(span->second);
            }
        }
        m_periodUsed = m_periodUsed || on;
        m_from->setEnabled(on);
        m_to->setEnabled(on);
        PeriodChanged();
    });
    connect(m_from, &QDateEdit::dateChanged, this, &PhotoListDock::PeriodChanged);
    connect(m_to, &QDateEdit::dateChanged, this, &PhotoListDock::PeriodChanged);
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        m_keptScroll = m_view->verticalScrollBar()->value();
        // The view drops its selection with the rows; that is no choice of the user's.
        m_restoring = true;
    });
    connect(m_model, &PhotoListModel::Rebuilt, this, &PhotoListDock::Rebuilt);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_restoring)
            EmitSelection();
    });
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (!m_restoring)
            EmitSelection();
    });
    connect(m_view, &QListView::doubleClicked, this, [this](const QModelIndex &index) {
        const qsizetype position = m_model->PositionAt(index.row());
        if (position >= 0)
            emit OpenRequested(position);
    });
    // Files that were missing may have come back while another program had
    // the focus.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            m_model->RecheckFiles();
    });
    UpdateCount();
    setMinimumWidth(200);
}

QString PhotoListDock::CountText(int shown, int total, bool filtered)
{
    if (filtered)
        return QStringLiteral("%1 van %2").arg(shown).arg(total);
    return total == 1 ? QStringLiteral("1 foto") : QStringLiteral("%1 foto's").arg(total);
}

void PhotoListDock::UpdateCount()
{
    m_count->setText(CountText(m_model->rowCount(), m_model->TotalCount(), m_model->IsNarrowed()));
}

void PhotoListDock::PeriodChanged()
{
    if (m_period->isChecked())
        m_model->SetDateRange(m_from->date(), m_to->date());
    else
        m_model->SetDateRange(std::nullopt, std::nullopt);
}

void PhotoListDock::FocusFilter()
{
    show();
    raise();
    m_filter->setFocus(Qt::ShortcutFocusReason);
    m_filter->selectAll();
}

QList<qsizetype> PhotoListDock::SelectedPositions() const
{
    QList<qsizetype> positions;
    const QModelIndexList rows = m_view->selectionModel()->selectedRows();
    positions.reserve(rows.size());
    for (const QModelIndex &index : rows) {
        const qsizetype p = m_model->PositionAt(index.row());
        if (p >= 0)
            positions.append(p);
    }
    std::sort(positions.begin(), positions.end());
    return positions;
}

QList<qsizetype> PhotoListDock::ShownPositions() const
{
    QList<qsizetype> shown;
    const int rows = m_model->rowCount();
    shown.reserve(rows);
    for (int row = 0; row < rows; ++row)
        if (const qsizetype position = m_model->PositionAt(row); position >= 0)
            shown.append(position);
    return shown;
}

qsizetype PhotoListDock::CurrentPosition() const
{
    const QModelIndex current = m_view->currentIndex();
    return current.isValid() ? m_model->PositionAt(current.row()) : -1;
}

qint64 PhotoListDock::KeyAt(qsizetype position) const
{
    const ProjectDocument &doc = m_session.Document();
    std::int32_t key = 0;
    if (position < 0 || position >= doc.PositionList.size() || !KeyTable::EntryKey(doc.PositionList[position], key))
        return -1;
    return key;
}

void PhotoListDock::EmitSelection()
{
    const QList<qsizetype> positions = SelectedPositions();
    qsizetype current = CurrentPosition();
    if (!positions.contains(current))
        current = positions.isEmpty() ? -1 : positions.first();
    m_selectedKeys.clear();
    m_selectedKeys.reserve(positions.size());
    for (const qsizetype p : positions)
        m_selectedKeys.append(KeyAt(p));
    m_currentKey = KeyAt(current);
    emit SelectionChanged(positions, current);
}

void PhotoListDock::Rebuilt(bool whole)
{
    if (whole) {
        m_selectedKeys.clear();
        m_currentKey = -1;
        m_keptScroll = 0;
        // Another project: a filter typed for the old one would hide the new one's photos.
        m_filter->clear();
    }
    QList<qsizetype> positions;
    qsizetype current = -1;
    if (!m_selectedKeys.isEmpty()) {
        QHash<qint64, int> wanted;
        for (const qint64 k : std::as_const(m_selectedKeys))
            wanted.insert(k, 0);
        const qsizetype count = m_session.Document().PositionList.size();
        for (qsizetype p = 0; p < count && positions.size() < wanted.size(); ++p) {
            const qint64 k = KeyAt(p);
            if (k >= 0 && wanted.contains(k) && m_model->RowOf(p) >= 0) {
                positions.append(p);
                if (k == m_currentKey)
                    current = p;
            }
        }
    }
    Select(positions, current, false);
    m_view->verticalScrollBar()->setValue(m_keptScroll);
    UpdateCount();
}

void PhotoListDock::SelectPositions(const QList<qsizetype> &positions)
{
    for (const qsizetype p : positions) {
        if (m_model->RowOf(p) < 0) {
            m_filter->clear();
            m_period->setChecked(false);
            break;
        }
    }
    Select(positions, positions.isEmpty() ? -1 : positions.first(), true);
}

void PhotoListDock::Select(const QList<qsizetype> &positions, qsizetype current, bool scroll)
{
    QItemSelection selection;
    // Neighbouring rows as one range: an import selects hundreds at once.
    int first = -1, last = -1;
    QList<int> rows;
    for (const qsizetype p : positions) {
        const int row = m_model->RowOf(p);
        if (row >= 0)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    for (const int row : rows) {
        if (first >= 0 && row == last + 1) {
            last = row;
            continue;
        }
        if (first >= 0)
            selection.select(m_model->index(first), m_model->index(last));
        first = last = row;
    }
    if (first >= 0)
        selection.select(m_model->index(first), m_model->index(last));

    QItemSelectionModel *model = m_view->selectionModel();
    m_restoring = true;
    const int currentRow = m_model->RowOf(current);
    if (currentRow >= 0)
        model->setCurrentIndex(m_model->index(currentRow), QItemSelectionModel::NoUpdate);
    model->select(selection, QItemSelectionModel::ClearAndSelect);
    m_restoring = false;
    // Many rows (an import): show them from the first one down.
    if (scroll && currentRow >= 0)
        m_view->scrollTo(m_model->index(currentRow),
                         positions.size() > 1 ? QAbstractItemView::PositionAtTop : QAbstractItemView::EnsureVisible);
    EmitSelection();
}

bool PhotoListDock::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (watched == m_view && key->modifiers() == Qt::NoModifier) {
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                const qsizetype position = CurrentPosition();
                if (position >= 0)
                    emit OpenRequested(position);
                return true;
            }
            if (key->key() == Qt::Key_Delete) {
                const QList<qsizetype> positions = SelectedPositions();
                if (!positions.isEmpty())
                    emit DeleteRequested(positions);
                return true;
            }
        }
        // From the filter field down into the list.
        if (watched == m_filter && key->key() == Qt::Key_Down && m_model->rowCount() > 0) {
            m_view->setFocus(Qt::TabFocusReason);
            if (!m_view->currentIndex().isValid())
                m_view->setCurrentIndex(m_model->index(0));
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}
