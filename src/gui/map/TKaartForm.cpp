#include "gui/map/TKaartForm.h"

#include "core/base/ProgramTexts.h"
#include "core/map/MapImageDecoder.h"
#include "core/photos/PhotoFileCopy.h"
#include "core/photos/PhotoFileNames.h"
#include "core/photos/ProjectRelocation.h"
#include "core/platform/AnsiCodec.h"
#include "core/platform/InputFile.h"
#include "core/project/MapFileEdit.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "gui/photos/RelocationQuestion.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/BrowseFileRow.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/DialogParts.h"
#include "gui/widgets/GeneralError.h"
#include "gui/widgets/HelpContexts.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

TKaartForm::TKaartForm(ProjectHost &host, QWidget *parent) : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("KaartForm"));
    setWindowTitle(QStringLiteral("Overzichtskaart"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    DialogParts::SetFixedClientSize(this, 390, 117);

    auto *group = new QGroupBox(QStringLiteral(" Bestand: "), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    group->setGeometry(8, 4, 374, 74);

    m_row = new BrowseFileRow(group, {QRect(10, 20, 326, 21), QRect(340, 19, 23, 23), QRect(10, 47, 250, 20)},
                              [](const QString &path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); });
    Edit1 = m_row->Edit;
    SpeedButton1 = m_row->Button;
    CheckBox1 = m_row->WithoutFolder;
    connect(Edit1, &QLineEdit::textChanged, this, [this] { m_mapNameEdited = true; });
    GeneralError::ConnectCommand(m_row, &BrowseFileRow::BrowseClicked, this, &TKaartForm::SpeedButton1Click);

    DialogParts::MakeHelpButton(this, 8, 86, HelpContexts::OverviewMap);
    Button1 = DialogParts::MakeOkButton(this, 226, 86);
    Button2 = DialogParts::MakeCancelButton(this, 307, 86);
    GeneralError::ConnectCommand(Button1, &QPushButton::clicked, this, &TKaartForm::BitBtn1Click);
}

int TKaartForm::Execute()
{
    return UserInteraction::ExecModal(this);
}

void TKaartForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TKaartForm::FormActivate()
{
    Edit1->setText(AnsiCodec::toUnicode(m_host.Document().MapFileName));
    m_mapNameEdited = false;
    Button1->setFocus();
}

void TKaartForm::SpeedButton1Click()
{
    UserInteraction::FileRequest request;
    request.kind = UserInteraction::FileDialogKind::OpenPicture;
    request.parent = this;
    request.title = QStringLiteral("Achtergrondafbeelding");
    request.filter = MapFilter();
    request.folderKind = QStringLiteral("Kaarten");
    request.preview = MapImageDecoder::Preview;
    const auto chosen = UserInteraction::AskFile(request);
    if (!chosen)
        return;
    m_row->SetBrowsedPath(*chosen);
}

QString TKaartForm::MapFilter()
{
    return QStringLiteral("Kaarten (*.bmp;*.png;*.jpg;*.jpeg;*.tif;*.tiff;*.webp;*.gif;*.pdf)|"
                          "*.bmp;*.png;*.jpg;*.jpeg;*.tif;*.tiff;*.webp;*.gif;*.pdf|"
                          "Bitmap-afbeeldingen (*.bmp)|*.bmp|"
                          "PNG-afbeeldingen (*.png)|*.png|"
                          "JPEG-afbeeldingen (*.jpg;*.jpeg)|*.jpg;*.jpeg|"
                          "TIFF-afbeeldingen (*.tif;*.tiff)|*.tif;*.tiff|"
                          "WebP-afbeeldingen (*.webp)|*.webp|"
                          "GIF-afbeeldingen (*.gif)|*.gif|"
                          "PDF-documenten (*.pdf)|*.pdf|"
                          "Alle bestanden (*.*)|*.*");
}

std::optional<QString> TKaartForm::NameThatResolves()
{
    const QString name = Edit1->text();
    const QString browsed = m_row->BrowsedPath();
    // A file that is not there has nothing to keep (the save rule's view too).
    if (browsed.isEmpty() || !m_row->NameFromBrowse() || InputFile::KindOf(browsed) != InputFile::Kind::File)
        return name;
    const QString folder = m_host.Document().ProjectFolder();
    const QString base = folder.isEmpty() ? QDir::currentPath() : folder;
    if (PhotoFileCopy::Resolves(AnsiCodec::fromUnicode(name), base, browsed))
        return name;
    // A project without a folder yet: its full path, until the first save
    // asks about it.
    if (folder.isEmpty())
        return PhotoFileNames::StoredName(QString(), browsed);
    ProjectRelocation::File map;
    map.isMap = true;
    map.path = browsed;
    const RelocationQuestion::Answer answer = RelocationQuestion::Ask(0, true, folder, false);
    if (answer == RelocationQuestion::Answer::Cancel)
        return std::nullopt;
    BusyCursor busy;
    ProjectRelocation::Outcome outcome = answer == RelocationQuestion::Answer::Carry
        ? ProjectRelocation::Carry({map}, folder)
        : ProjectRelocation::Repath({map}, folder);
    if (!outcome.ok) {
        MessageDialogs::ShowErrorMessage(ProgramTexts::AppTitle(), QString(),
                                         QStringLiteral("De overzichtskaart is niet gekozen.\r\n\r\n") + outcome.error);
        return std::nullopt;
    }
    return AnsiCodec::toUnicode(*outcome.mapFileName);
}

void TKaartForm::BitBtn1Click()
{
    if (!DialogParts::CheckStorable(Edit1, Edit1->text()))
        return;
    // A map from outside the project's folder under its name alone would
    // not be found: asked before anything changes.
    const std::optional<QString> name = NameThatResolves();
    if (!name)
        return;
    // Closed first: the redraw that follows runs (and reports any error)
    // with the dialog out of the way.
    accept();
    m_host.Session().Perform(
        std::make_unique<MapFileEdit>(AnsiCodec::fromUnicode(*name), m_mapNameEdited || *name != Edit1->text()));
}
