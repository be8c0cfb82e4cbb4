#pragma once

#include "core/platform/ChmArchive.h"

#include <QWidget>

class ChmTextBrowser;
class QPushButton;

// The program's help window: shows a topic of the compiled help file, chosen
// by its context number, with working links, pictures and a way back.
class THelpForm : public QWidget
{
    Q_OBJECT
public:
    explicit THelpForm(QWidget *parent = nullptr);

    // The application's help file: the data folder (ProcessFolders) + AppTitle + ".chm".
    static QString ApplicationHelpFile();

    // The help file this window reads.
    void SetHelpFile(const QString &fileName) { m_helpFile = fileName; }

    // Shows the window at the topic of the context number and returns at
    // once. A help file that cannot be opened, or a number it does not know,
    // is reported with an error message naming the file; the answer is then
    // false.
    bool ShowContext(int context);

    // The object path of the topic shown ("/inhoud.html").
    QString CurrentTopic() const;

    void InhoudButtonClick();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;

private:
    bool OpenHelpFile();
    // Makes the window belong to the modal dialog that is open (else to the
    // main window), so that help read beside a dialog takes input.
    void FollowModalWindow();
    void UpdateCaption();

    QString m_helpFile;
    ChmArchive m_archive;
    ChmTextBrowser *HelpBrowser;
    QPushButton *InhoudButton;
    QPushButton *VorigeButton;
    QPushButton *VolgendeButton;
    QPushButton *SluitenButton;
};
