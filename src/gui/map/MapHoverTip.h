#pragma once

#include <QFrame>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QStaticText>
#include <QString>

// The small window that a photo's triangle shows while the mouse rests on
// it: a thumbnail of the photo (or what is wrong with its file), its file
// name, when it was taken, where its GPS put it and the first line of its
// notes.
//
// A tip that is already shown takes new content at once but lays it out
// when the event loop comes round, so a sweep over many triangles costs one
// layout per screen update, not one per triangle. It paints its lines
// itself, each shaped once when laid out: a layout of labels shaped every
// text again for its size and again for painting, which was most of a
// hover's time.
class MapHoverTip : public QFrame
{
    Q_OBJECT
public:
    explicit MapHoverTip(QWidget *parent = nullptr);

    // Shows the texts near globalPos; the picture follows with SetPicture.
    void ShowAt(const QPoint &globalPos, const QString &fileName, const QString &notesLine);
    // A thumbnail, or (with a null image) a text where it would be.
    void SetPicture(const QImage &image, const QString &instead);
    // What the camera recorded: when ("Genomen: 7 dec. 2026 14:03") and
    // where ("GPS: ..."); an empty text shows no line.
    void SetCamera(const QString &time, const QString &place);
    void Withdraw();
    // Lays out now what waits for the next round.
    void LayPending();

    // What the tip says, line by line (the picture's stand-in included).
    QString Text() const;
    // Whether it is shown or about to be.
    bool IsShown() const { return m_shown; }

    // As shown once laid out: the picture (null when a text stands in its
    // place) and the file name, shortened to fit.
    QPixmap ShownPicture() const { return m_pixmap; }
    QString ShownName() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Line
    {
        QStaticText text;
        bool bold = false;
        int top = 0;
    };

    void Schedule();
    void Lay();
    void Place();

    QPoint m_at;
    QString m_name, m_notes, m_instead, m_time, m_place;
    QImage m_image;
    QPixmap m_pixmap;
    QFont m_boldFont;
    // The picture's place, or its stand-in text's, and the lines below it.
    QRect m_pictureRect;
    QList<Line> m_lines;
    bool m_shown = false;
    bool m_pending = false;
};
