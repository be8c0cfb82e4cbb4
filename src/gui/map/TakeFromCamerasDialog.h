#pragma once

#include "core/photos/PhotoMetadataCache.h"

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QStringList>

#include <optional>

class ProjectHost;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// What the dialogs that take a photo's place or direction from its camera
// have in common: the table of photos with tick boxes, reading the cameras'
// records with progress and a way to stop, and writing the ticked rows in
// one step that undo takes back.
class TakeFromCamerasDialog : public QDialog
{
    Q_OBJECT
public:
    QLabel *Label1 = nullptr;
    QTreeWidget *FotoLijst = nullptr;
    QPushButton *AllesButton = nullptr;
    QPushButton *NietsButton = nullptr;
    QPushButton *Button1 = nullptr; // OK
    QPushButton *Button2 = nullptr; // Annuleren

protected:
    struct Photo
    {
        qsizetype position = -1;
        QByteArray key;
        QString name; // empty when the key names no photo file
        PhotoMetadataCache::Metadata metadata;
    };

    // caption: the window title and the progress dialog's; editName: the
    // step's name for undo.
    TakeFromCamerasDialog(ProjectHost &host, PhotoMetadataCache &metadata, const QString &caption,
                          const QString &editName, const QStringList &columns, int helpContext, QWidget *parent);

    // Once the dialog's own condition holds: refuses an empty project, fills
    // the table and shows the dialog.
    int Run(const QList<qsizetype> &positions);

    // Fills the table through AddRow; false when the user stopped the reading.
    virtual bool Fill(const QList<qsizetype> &positions) = 0;
    // The entry that replaces old for the ticked row.
    virtual QByteArray Taken(int row, const QByteArray &old) const = 0;

    // The chosen photos (empty: every photo) with what their cameras
    // recorded; nothing when the user stopped the reading.
    std::optional<QList<Photo>> ReadPhotos(const QList<qsizetype> &chosen, const QString &progressText);
    // A row that has nothing to take is shown but cannot be ticked.
    void AddRow(QTreeWidgetItem *item, qsizetype position, std::optional<bool> ticked);
    void EnableTicking(bool enable);

    ProjectHost &m_host;
    PhotoMetadataCache &m_metadata;

private:
    struct Row
    {
        qsizetype position = -1;
        bool tickable = false;
    };

    void OkClick();
    void Tick(bool on);

    QString m_caption;
    QString m_editName;
    QList<Row> m_rows;
};
