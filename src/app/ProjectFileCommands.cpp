#include "app/ProjectFileCommands.h"

#include "core/base/ProgramTexts.h"
#include "core/photos/ProjectRelocation.h"
#include "core/platform/InputFile.h"
#include "core/project/DataFile.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectLock.h"
#include "core/project/ProjectSession.h"
#include "core/project/RecentProjects.h"
#include "core/project/RecoveryCopy.h"
#include "core/project/RecoveryKeeper.h"
#include "gui/photos/RelocationQuestion.h"
#include "gui/photos/TFotoForm.h"
#include "gui/project/OutsideChangeGuard.h"
#include "gui/project/ProjectHost.h"
#include "gui/project/ProjectInUse.h"
#include "gui/project/RecoveryOffer.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/GeneralError.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

namespace {

const QString kDataFilter = QStringLiteral("Tolvek-bestanden (*.tvk)|*.tvk|Alle bestanden (*.*)|*.*");

QString cannotOpenText(const QString &fileName)
{
    return QStringLiteral("Kan bestand \"") + fileName + QStringLiteral("\" niet openen.");
}

} // namespace

ProjectFileCommands::ProjectFileCommands(ProjectHost &host, QWidget *window, const QString &version)
    : m_host(host),
      m_window(window),
      m_version(version),
      m_recovery(std::make_unique<RecoveryKeeper>(host.Session())),
      m_outsideChanges(std::make_unique<OutsideChangeGuard>(host.Session()))
{
    QObject::connect(m_recovery.get(), &RecoveryKeeper::Failed, m_window,
                     [this](const QString &text) { m_host.ShowStatus(text); });
}

ProjectFileCommands::~ProjectFileCommands() = default;

QString ProjectFileCommands::UntitledCaption() const
{
    return ProgramTexts::AppTitle() + QLatin1Char(' ') + m_version + QStringLiteral(" - ")
        + m_host.Document().CurrentFileName;
}

void ProjectFileCommands::SetCaption(const QString &caption)
{
    m_window->setWindowTitle(caption);
}

void ProjectFileCommands::SetFileCaption(const QString &fileName)
{
    SetCaption(ProgramTexts::AppTitle() + QStringLiteral(" - ") + QFileInfo(fileName).fileName()
               + (m_host.Session().ReadOnly() ? QStringLiteral(" (alleen-lezen)") : QString()));
}

void ProjectFileCommands::ResetProject()
{
    m_host.Session().Reset();
    ShowUntitledCaption();
    m_host.SetAddPickMode(false);
    m_host.SetDeletePickMode(false);
}

void ProjectFileCommands::ShowUntitledCaption()
{
    const QString caption = UntitledCaption();
    SetCaption(caption);
    GeneralError::SetApplicationTitle(caption);
}

void ProjectFileCommands::ReadDataFile(const QString &fileName)
{
    bool readOnly = false;
    if (const auto holder = ProjectLock::OtherHolder(fileName)) {
        const ProjectInUse::Answer answer = ProjectInUse::AskOpen(fileName, *holder);
        if (answer == ProjectInUse::Answer::Cancel)
            return;
        readOnly = answer == ProjectInUse::Answer::ReadOnly;
    }
    DataFile::ReadResult result;
    {
        BusyCursor busy;
        result = m_host.Session().Load(fileName, readOnly);
    }
    if (result == DataFile::ReadResult::Ok) {
        SetFileCaption(fileName);
        RecentProjects::Add(fileName);
        return;
    }
    QString text = cannotOpenText(fileName);
    // The project stays untitled, so a later save asks for a name instead
    // of writing over that file.
    if (result == DataFile::ReadResult::NotAProject)
        text += QStringLiteral("\r\n\r\nHet is geen Tolvek-projectbestand: er staat geen [Algemene gegevens], "
                               "[Fotopositie], [Fotonaam] of [Foto-aantekeningen] in.");
    else if (const QString why = InputFile::Problem(InputFile::KindOf(fileName)); !why.isEmpty())
        text += QStringLiteral("\r\n\r\n") + why.left(1).toUpper() + why.mid(1) + QLatin1Char('.');
    MessageDialogs::ShowErrorMessage(ProgramTexts::AppTitle(), QString(), text);
}

bool ProjectFileCommands::WriteDataFile(const QString &fileName)
{
    bool ok;
    QString reason;
    {
        BusyCursor busy;
        ok = m_host.Session().Save(fileName, &reason) == DataFile::WriteResult::Ok;
    }
    if (!ok) {
        MessageDialogs::ShowWarningMessage(
            ProgramTexts::AppTitle(), QString(),
            QStringLiteral("Databestand is niet opgeslagen omdat niet naar de schijf kon worden geschreven !")
                + QStringLiteral("\r\n\r\n") + QDir::toNativeSeparators(fileName) + QStringLiteral(": ") + reason);
        return false;
    }
    RecentProjects::Add(fileName);
    return true;
}

bool ProjectFileCommands::CloseProject()
{
    // Notes edited in open photo windows belong to this project: bring them in
    // (through each window's own close) before asking whether to save it.
    if (!TFotoForm::CloseAll())
        return false;
    const ProjectDocument &doc = m_host.Document();
    if (doc.Modified) {
        const int answer = MessageDialogs::AskYesNoCancel(ProgramTexts::AppTitle(), QStringLiteral("Bestand opslaan?"),
                                                          QStringLiteral("Bestand \"") + doc.CurrentFileName
                                                              + QStringLiteral("\" is gewijzigd."),
                                                          QStringLiteral("&Opslaan"), QStringLiteral("&Niet opslaan"),
                                                          QStringLiteral("&Annuleren"), MessageDialogs::Yes);
        if (answer == MessageDialogs::ResultYes) {
            // Kept when the save was cancelled or failed.
            Opslaan1Click();
            if (doc.Modified)
                return false;
        } else if (answer != MessageDialogs::ResultNo) {
            return false;
        }
    }
    ResetProject();
    return true;
}

void ProjectFileCommands::Nieuw1Click()
{
    CloseProject();
}

void ProjectFileCommands::Openen1Click()
{
    if (!CloseProject())
        return;
    UserInteraction::FileRequest request;
    request.kind = UserInteraction::FileDialogKind::Open;
    request.parent = m_window;
    request.title = QStringLiteral("Openen");
    request.filter = kDataFilter;
    request.folderKind = QStringLiteral("Projecten");
    if (const auto name = UserInteraction::AskFile(request))
        ReadDataFile(*name);
}

void ProjectFileCommands::Opslaan1Click()
{
    // A project opened read-only is saved under a new name.
    const ProjectDocument &doc = m_host.Document();
    if (!doc.IsUntitled() && !m_host.Session().ReadOnly())
        GuardAgainstOutsideChange(true);
    else
        Opslaanals1Click();
}

void ProjectFileCommands::Opslaanals1Click()
{
    UserInteraction::FileRequest request;
    request.kind = UserInteraction::FileDialogKind::Save;
    request.parent = m_window;
    request.title = QStringLiteral("Opslaan als");
    request.filter = kDataFilter;
    request.folderKind = QStringLiteral("Projecten");
    const auto chosen = UserInteraction::AskFile(request);
    if (!chosen)
        return;
    QString name = *chosen;
    const QString base = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : base.mid(dot);
    if (extension != QLatin1String(".tvk"))
        name += QStringLiteral(".tvk");
    if (!MaySaveAs(name))
        return;
    std::optional<ProjectRelocation::Outcome> moved = KeepFilesFound(name);
    if (!moved)
        return;
    if (!WriteDataFile(name)) {
        // Not saved: the names and the copies made for it go again.
        if (!moved->renames.isEmpty() || moved->mapFileName)
            m_host.Session().Withdraw();
        ProjectRelocation::Discard(*moved);
        return;
    }
    SetFileCaption(name);
}

std::optional<ProjectRelocation::Outcome> ProjectFileCommands::KeepFilesFound(const QString &fileName)
{
    const ProjectDocument &doc = m_host.Document();
    const QString to = QFileInfo(fileName).absolutePath();
    const QString folder = doc.ProjectFolder();
    const QString from = folder.isEmpty() ? QDir::currentPath() : folder;
    const QList<ProjectRelocation::File> files = ProjectRelocation::Concerned(doc, from, to, doc.IsUntitled());
    ProjectRelocation::Outcome outcome;
    if (files.isEmpty()) {
        outcome.ok = true;
        return outcome;
    }
    const bool map = files.first().isMap;
    const RelocationQuestion::Answer answer = RelocationQuestion::Ask(int(files.size()) - (map ? 1 : 0), map, to, true);
    if (answer == RelocationQuestion::Answer::Cancel)
        return std::nullopt;
    {
        BusyCursor busy;
        outcome = answer == RelocationQuestion::Answer::Carry ? ProjectRelocation::Carry(files, to)
                                                              : ProjectRelocation::Repath(files, to);
    }
    if (!outcome.ok) {
        MessageDialogs::ShowErrorMessage(ProgramTexts::AppTitle(), QString(),
                                         QStringLiteral("Het project is niet opgeslagen.\r\n\r\n") + outcome.error);
        return std::nullopt;
    }
    m_host.Session().Perform(ProjectRelocation::Edit(doc, outcome));
    return outcome;
}

bool ProjectFileCommands::MaySaveAs(const QString &fileName)
{
    if (const auto holder = ProjectLock::OtherHolder(fileName)) {
        ProjectInUse::WarnSaveAs(fileName, *holder);
        return false;
    }
    return !QFileInfo::exists(fileName) || MessageDialogs::ConfirmOverwrite(fileName);
}

void ProjectFileCommands::CheckOutsideChange()
{
    GuardAgainstOutsideChange(false);
}

void ProjectFileCommands::GuardAgainstOutsideChange(bool saving)
{
    const OutsideChangeGuard::Action action =
        saving ? m_outsideChanges->BeforeSave() : m_outsideChanges->OnActivation();
    if (action == OutsideChangeGuard::Action::Save && m_host.Session().ReadOnly())
        Opslaanals1Click();
    else if (action == OutsideChangeGuard::Action::Save)
        WriteDataFile(m_host.Document().CurrentFileName);
    else if (action == OutsideChangeGuard::Action::Reload)
        ReloadProject();
}

void ProjectFileCommands::ReloadProject()
{
    const QString fileName = m_host.Document().CurrentFileName;
    ResetProject();
    ReadDataFile(fileName);
}

void ProjectFileCommands::OpenRecentProject(const QString &fileName)
{
    // A project that has gone since the menu was shown: said before the open
    // project is closed for it.
    if (!QFileInfo(fileName).isFile()) {
        MessageDialogs::ShowErrorMessage(ProgramTexts::AppTitle(), QString(), cannotOpenText(fileName));
        return;
    }
    OpenDroppedProject(fileName);
}

void ProjectFileCommands::OpenDroppedProject(const QString &fileName)
{
    if (CloseProject())
        ReadDataFile(fileName);
}

void ProjectFileCommands::OfferRecovery()
{
    if (auto copy = RecoveryOffer::Run())
        RestoreRecoveryCopy(std::move(*copy));
}

void ProjectFileCommands::RestoreRecoveryCopy(RecoveryCopy &&copy)
{
    // Left for a later start when the project open now is kept.
    if (!CloseProject())
        return;
    // Still open in another program: read-only, as opening it would be.
    const bool readOnly = !copy.IsUntitled() && ProjectLock::OtherHolder(copy.ProjectFileName());
    {
        BusyCursor busy;
        if (m_host.Session().Recover(copy.CopyFileName(), copy.ProjectFileName(), copy.DiskStamp(), readOnly)
            == DataFile::ReadResult::CannotOpen) {
            MessageDialogs::ShowErrorMessage(ProgramTexts::AppTitle(), QString(), cannotOpenText(copy.CopyFileName()));
            return;
        }
        m_recovery->Adopt(std::move(copy));
    }
    const ProjectDocument &doc = m_host.Document();
    if (doc.IsUntitled())
        SetCaption(UntitledCaption());
    else
        SetFileCaption(doc.CurrentFileName);
}
