#pragma once

#include "core/photos/ProjectRelocation.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class OutsideChangeGuard;
class ProjectHost;
class RecoveryCopy;
class RecoveryKeeper;
class QWidget;

// The project's file workflow, as the "Bestand" menu starts it: new, open,
// save, save as, the recent projects, a project file dropped on the window,
// reading the file again after a change outside the program, the recovery
// copies of a run that ended abnormally, and the question before a modified
// project is closed. The window's caption follows the project's file here.
//
// Everything goes through the session: what follows on the screen follows
// its Changed signal, never a call from here.
class ProjectFileCommands : public QObject
{
    Q_OBJECT
public:
    // window: the main window, parent of the questions and carrier of the
    // caption; version: "major.minor" for an untitled project's caption.
    ProjectFileCommands(ProjectHost &host, QWidget *window, const QString &version);
    ~ProjectFileCommands() override;

    // The menu's commands.
    void Nieuw1Click();
    void Openen1Click();
    void Opslaan1Click();
    void Opslaanals1Click();

    // Empties the project and makes it untitled; the pick modes end.
    void ResetProject();
    // The caption of the untitled project the session starts with. (At
    // start-up nothing is reset: no map is drawn before a project is.)
    void ShowUntitledCaption();
    // Reads a data file into the (reset) project; the caption follows the
    // file. Asks first when another program has it open; reports a file
    // that cannot be opened.
    void ReadDataFile(const QString &fileName);
    // Writes the project; false (after the warning) when it could not be saved.
    bool WriteDataFile(const QString &fileName);
    // True when the project was closed (saved or dropped, or not modified).
    bool CloseProject();

    // "&Recente projecten": closes the project and opens fileName, as
    // "&Openen..." would with that file chosen.
    void OpenRecentProject(const QString &fileName);
    // A project file dropped on the window: as "Openen", with the file given.
    void OpenDroppedProject(const QString &fileName);

    // At an activation of the window after the first: the project's file
    // changed outside the program? Acts on the answer.
    void CheckOutsideChange();

    // Offers the recovery copies of runs that did not end normally (at the
    // first activation) and opens the one the user restores.
    void OfferRecovery();
    void RestoreRecoveryCopy(RecoveryCopy &&copy);

    // The recovery copy of unsaved changes.
    RecoveryKeeper &Recovery() { return *m_recovery; }

    QString UntitledCaption() const;

private:
    // The file was chosen in Save As or the project is saved for the first
    // time: the questions before the project takes that name. False when
    // the save is not to go ahead.
    bool MaySaveAs(const QString &fileName);
    // Saved as fileName, would the project still find its map and photos by
    // the names it stores? If not, the relocation question: the new names
    // are then in the project (one undo step) and copies made. Nothing when
    // the save is not to go ahead (cancelled, or a copy failed: said).
    std::optional<ProjectRelocation::Outcome> KeepFilesFound(const QString &fileName);
    // The project's file changed outside the program: act on the answer.
    void GuardAgainstOutsideChange(bool saving);
    // Reads the project's file again, dropping the changes made here.
    void ReloadProject();
    void SetFileCaption(const QString &fileName);
    void SetCaption(const QString &caption);

    ProjectHost &m_host;
    QWidget *m_window;
    QString m_version;
    std::unique_ptr<RecoveryKeeper> m_recovery;
    std::unique_ptr<OutsideChangeGuard> m_outsideChanges;
};
