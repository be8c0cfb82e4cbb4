#pragma once

#include "core/photos/PhotoPicture.h"

#include <QByteArray>
#include <QWidget>
#include <cstdint>

class ProjectHost;
class QButtonGroup;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QScrollArea;
class QStatusBar;
class QTimer;
class QToolButton;

// The photo window: one photo beside its notes, in an always-on-top tool
// window. A new window is made for every photo opened and destroyed when it
// closes; edited notes go back into the project on closing.
class TFotoForm : public QWidget
{
    Q_OBJECT
public:
    // Opens a window for the photo when fileName (as stored in the project)
    // names an existing file; returns it, or nullptr when nothing opened.
    // A picture that cannot be shown leaves the window open and empty and
    // is reported in the general error box.
    static TFotoForm *OpenPhotoWindow(ProjectHost &host, std::int32_t photoNumber, const QByteArray &fileName,
                                      const QByteArray &notes);

    // Closes every open photo window and the photo viewer through their
    // normal close step, so that edited notes reach the project. False when
    // a window refused to close.
    static bool CloseAll();
    // Closes the active photo window; nothing when none is active.
    static void CloseActive();

    // The photo windows now open (not yet closed), oldest first.
    static QList<TFotoForm *> OpenWindows();

    TFotoForm(ProjectHost &host, QWidget *parent);
    ~TFotoForm() override;

    std::int32_t PhotoNumber = 0;
    bool NotesChanged = false;

    QFrame *FotoBovenPanel = nullptr;
    QWidget *CoolBar1 = nullptr;
    QToolButton *FotoSpeedButton = nullptr;
    QToolButton *GegevensSpeedButton = nullptr;
    QFrame *Bevel3 = nullptr;
    QToolButton *WareGrootteSpeedButton = nullptr;
    QToolButton *FotoKopierenSpeedButton = nullptr;
    QToolButton *BekijkenSpeedButton = nullptr; // opens the photo viewer
    QToolButton *SluitenSpeedButton = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QLabel *StatusPanel = nullptr;
    QLabel *TijdPanel = nullptr;   // when the photo was taken, as the camera says
    QLabel *PlaatsPanel = nullptr; // its GPS position, a row of its own when there is one
    QFrame *FotoPanel = nullptr;
    QScrollArea *FotoScrollBox = nullptr;
    QLabel *FotoImage = nullptr;
    QFrame *GegevensPanel = nullptr;
    QLabel *Panel1 = nullptr;
    QPlainTextEdit *AantekeningenMemo = nullptr;
    QTimer *FotoTimer1 = nullptr;

    // The picture as loaded (null when none could be loaded).
    const PhotoPicture &Picture() const { return m_picture; }

    // Loads the picture and applies the display mode; throws TolvekError.
    void LoadPicture(const QString &fileName);

    // Fills the notes without counting it as an edit.
    void SetNotes(const QByteArray &notes);

    // The memo's text as the project stores notes (Windows-1252, CR LF).
    QByteArray NotesText() const;

public slots:
    void FotoSpeedButtonClick();
    void GegevensSpeedButtonClick();
    void WareGrootteSpeedButtonClick();
    void FotoKopierenSpeedButtonClick();
    void SluitenSpeedButtonClick();
    void FotoTimer1Timer();
    void AantekeningenMemoChange();
    // Closes this window and shows its photo in the photo viewer.
    void OpenViewer();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The close step; false when the notes cannot be stored as typed.
    bool FormClose();
    void FormResize();
    void ApplyDisplayMode();
    void ShowImage(const QImage &image);

    ProjectHost &m_host;
    PhotoPicture m_picture;
    enum class Shown { Nothing, Fitted, TrueSize };
    Shown m_shown = Shown::Nothing;
    QButtonGroup *m_viewGroup = nullptr;
    // Opened for a photo of the project: its notes have nowhere to go once
    // it has left.
    bool m_photoWasInProject = false;
};
