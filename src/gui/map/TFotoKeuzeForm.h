#pragma once

#include <QDialog>
#include <QList>

class ProjectDocument;
class QListWidget;
class ThumbnailCache;

// Where the hit squares of several photos overlap, a click asks which one
// is meant: a small list of them (thumbnail, number and file name), in
// list order, the first one current; arrows and Enter choose, Escape
// cancels.
class TFotoKeuzeForm : public QDialog
{
    Q_OBJECT
public:
    // positions: the photos' places in PositionList; thumbnails may be null.
    TFotoKeuzeForm(const ProjectDocument &doc, const QList<qsizetype> &positions, ThumbnailCache *thumbnails,
                   QWidget *parent);

    // The photo chosen (its place in PositionList), -1 when none.
    qsizetype Chosen() const;

    QListWidget *FotoLijst = nullptr;

private:
    void ShowThumbnail(const QString &name, const QString &folder);

    QList<qsizetype> m_positions;
    QList<QString> m_names; // per row, as the thumbnail cache knows them
    QString m_folder;
    ThumbnailCache *m_thumbnails = nullptr;
};
