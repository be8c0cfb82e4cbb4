#pragma once

#include <QDockWidget>
#include <QList>

class PhotoListModel;
class ProjectSession;
class ThumbnailCache;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListView;

// The dock window "Foto's": a filter field, the order (remembered between
// runs) and a period of the times taken, the count of photos shown, and
// the list of photos beside the map. What a row's selection means for the
// map, and what Enter and Delete do, the main window decides through the
// signals; the list keeps its selection (by photo number) across changes
// of the project.
class PhotoListDock : public QDockWidget
{
    Q_OBJECT
public:
    PhotoListDock(ProjectSession &session, ThumbnailCache &thumbnails, QWidget *parent = nullptr);

    PhotoListModel &Model() { return *m_model; }
    QLineEdit *FilterEdit() const { return m_filter; }
    QLabel *CountLabel() const { return m_count; }
    QListView *View() const { return m_view; }
    QComboBox *OrderBox() const { return m_order; }
    QCheckBox *PeriodCheck() const { return m_period; }
    QDateEdit *FromEdit() const { return m_from; }
    QDateEdit *ToEdit() const { return m_to; }

    // Shows the dock and puts the cursor in the filter field (Ctrl+F).
    void FocusFilter();

    // The selected photos, by place in the position list, in list order.
    QList<qsizetype> SelectedPositions() const;
    // The photo with the keyboard focus (-1: none).
    qsizetype CurrentPosition() const;
    // The photos the list shows, in its order (filtered and sorted).
    QList<qsizetype> ShownPositions() const;

    // Selects these photos (the first becomes current and is scrolled to).
    // A photo hidden by the filter clears the filter first.
    void SelectPositions(const QList<qsizetype> &positions);

    // "12 van 340", or "340 foto's" without a filter.
    static QString CountText(int shown, int total, bool filtered);

signals:
    // The selection changed; current is the photo to bring into view (-1: none).
    void SelectionChanged(const QList<qsizetype> &positions, qsizetype current);
    // Enter or a double click on a row.
    void OpenRequested(qsizetype position);
    // The Delete key.
    void DeleteRequested(const QList<qsizetype> &positions);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void UpdateCount();
    void PeriodChanged();
    void Rebuilt(bool whole);
    void EmitSelection();
    void Select(const QList<qsizetype> &positions, qsizetype current, bool scroll);
    qint64 KeyAt(qsizetype position) const;

    PhotoListModel *m_model = nullptr;
    QLineEdit *m_filter = nullptr;
    QLabel *m_count = nullptr;
    QListView *m_view = nullptr;
    QComboBox *m_order = nullptr;
    QCheckBox *m_period = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    ProjectSession &m_session;
    // The selection by photo number (keys are unique), as it was made: the
    // positions may have changed by the time the rows are made anew.
    QList<qint64> m_selectedKeys;
    qint64 m_currentKey = -1;
    int m_keptScroll = 0;
    bool m_restoring = false;
    bool m_periodUsed = false;
};
