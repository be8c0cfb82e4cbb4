#pragma once

#include "core/photos/PhotoPicture.h"

#include <QFuture>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <memory>

class PhotoMetadataCache;
class PhotoViewArea;
class ProjectHost;
class QLabel;
class QPlainTextEdit;
class QSplitter;
class QToolButton;

// The photo viewer: one photo large, in a window of its own that can be
// resized and shown full screen (F11), with its notes beside it (a wide
// window) or under it (a tall one), wrapped to their width. Page Down and
// Page Up (and the arrow keys while the notes do not have the keyboard)
// step through the photos in the photo list's order. Notes edited here go
// into the project as the photo window's do, one edit for each photo, when
// the viewer steps on or closes. There is one viewer; opening another photo
// shows it there. The next and the previous photo are decoded ahead on a
// thread, so that a step shows its photo at once.
class TFotoKijkerForm : public QWidget
{
    Q_OBJECT
public:
    // Shows the photo at position (its place in PositionList) in the viewer,
    // opening the viewer first when there is none.
    static TFotoKijkerForm *Open(ProjectHost &host, qsizetype position);
    // The viewer when it is open.
    static TFotoKijkerForm *Current();
    // The program's cache of what the cameras recorded, shared with the
    // photo list and the hover; without one a viewer reads into its own.
    static void SetMetadata(PhotoMetadataCache *metadata);

    TFotoKijkerForm(ProjectHost &host, QWidget *parent);
    ~TFotoKijkerForm() override;

    qsizetype Position() const { return m_position; }
    std::int32_t PhotoNumber() const { return m_key; }
    bool NotesChanged() const { return m_notesChanged; }

    // To the next (1) or the previous (-1) photo of the list; false at
    // either end, or when the notes cannot be stored as typed.
    bool Step(int delta);
    void ToggleFullScreen();

    QLabel *KopLabel = nullptr;          // number and file name
    QLabel *PlaatsLabel = nullptr;       // "3 van 40"
    QLabel *TijdRichtingLabel = nullptr; // time and camera direction, when recorded
    PhotoViewArea *FotoVlak = nullptr;
    QPlainTextEdit *AantekeningenMemo = nullptr;
    QSplitter *Splitter = nullptr;
    QToolButton *VorigeButton = nullptr;
    QToolButton *VolgendeButton = nullptr;
    QToolButton *PassendButton = nullptr;
    QToolButton *WareGrootteButton = nullptr;
    QToolButton *VolledigSchermButton = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Decoded
    {
        std::shared_ptr<const PhotoPicture> picture;
        QImage fitted;
        QString problem;
    };
    struct Ahead
    {
        QString path;
        QSize area;
        QFuture<Decoded> future;
    };

    void Show(qsizetype position);
    // Stores edited notes as one edit; false when they cannot be stored.
    bool CommitNotes();
    void DecodeAhead();
    // The time and direction the camera recorded for the photo shown, as
    // far as the metadata cache knows them; request: ask for them.
    void ShowCameraRecord(bool request);
    void ProjectChanged(bool another);
    void LayOut();
    // The file of the photo at position, resolved; empty when it has none.
    QString PathOf(qsizetype position, QByteArray *storedName = nullptr) const;
    static Decoded Decode(const QString &path, QSize area);

    ProjectHost &m_host;
    qsizetype m_position = -1;
    std::int32_t m_key = 0;
    bool m_notesChanged = false;
    bool m_filling = false;
    bool m_laidOut = false; // the photo and notes have had their first shares
    QList<Ahead> m_ahead;
    // The main window's cache may go before this window, as both close.
    QPointer<PhotoMetadataCache> m_metadata;
    QString m_recordName; // the shown photo's stored name, for the cache
    QString m_recordFolder;
};
