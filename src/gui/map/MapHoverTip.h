#pragma once

#include <QFrame>
#include <QString>

class QLabel;

// The small window that a photo's triangle shows while the mouse rests on
// it: a thumbnail of the photo (or what is wrong with its file), its file
// name and the first line of its notes.
class MapHoverTip : public QFrame
{
    Q_OBJECT
public:
    explicit MapHoverTip(QWidget *parent = nullptr);

    // Shows the texts near globalPos; the picture follows with SetPicture.
    void ShowAt(const QPoint &globalPos, const QString &fileName, const QString &notesLine);
    // A thumbnail, or (with a null image) a text where it would be.
    void SetPicture(const QImage &image, const QString &instead);

    // What the tip says, line by line (the picture's stand-in included).
    QString Text() const;

    QLabel *Picture = nullptr;
    QLabel *NameLabel = nullptr;
    QLabel *NotesLabel = nullptr;

private:
    void Place();

    QPoint m_at;
};
