#include "gui/photos/TOntbrekendeFotosForm.h"

#include "core/base/ProgramTexts.h"
#include "core/photos/PhotoCopyPlan.h"
#include "core/photos/PhotoFileNames.h"
#include "core/platform/AnsiCodec.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "core/project/RenamePhotosEdit.h"
#include "gui/photos/PhotoImport.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/GeneralError.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TOntbrekendeFotosForm::TOntbrekendeFotosForm(ProjectHost &host, QWidget *parent) : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("OntbrekendeFotosForm"));
    setWindowTitle(Caption());
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("Van deze foto's is het bestand niet te vinden:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    layout->addWidget(Label1);

    FotoLijst = new QTreeWidget(this);
    FotoLijst->setObjectName(QStringLiteral("FotoLijst"));
    FotoLijst->setHeaderLabels({QStringLiteral("Nr."), QStringLiteral("Bestandsnaam"), QStringLiteral("Gevonden")});
    FotoLijst->setRootIsDecorated(false);
    FotoLijst->setUniformRowHeights(true);
    FotoLijst->setSelectionMode(QAbstractItemView::NoSelection);
    FotoLijst->header()->setStretchLastSection(true);
    FotoLijst->setColumnWidth(0, 60);
    FotoLijst->setColumnWidth(1, 220);
    layout->addWidget(FotoLijst, 1);

    auto *folderLabel = new QLabel(QStringLiteral("Zoeken in de &map (met submappen):"), this);
    layout->addWidget(folderLabel);
    auto *row = new QHBoxLayout;
    MapEdit = new QLineEdit(this);
    MapEdit->setObjectName(QStringLiteral("MapEdit"));
    folderLabel->setBuddy(MapEdit);
    row->addWidget(MapEdit, 1);
    BladerenButton = new QPushButton(QStringLiteral("&Bladeren..."), this);
    BladerenButton->setObjectName(QStringLiteral("BladerenButton"));
    BladerenButton->setAutoDefault(false);
    row->addWidget(BladerenButton);
    ZoekenButton = new QPushButton(QStringLiteral("&Zoeken"), this);
    ZoekenButton->setObjectName(QStringLiteral("ZoekenButton"));
    row->addWidget(ZoekenButton);
    layout->addLayout(row);

    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    StatusLabel->setWordWrap(true);
    layout->addWidget(StatusLabel);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("&Annuleren"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);

    GeneralError::ConnectCommand(BladerenButton, &QPushButton::clicked, this, &TOntbrekendeFotosForm::BladerenClick);
    GeneralError::ConnectCommand(ZoekenButton, &QPushButton::clicked, this, &TOntbrekendeFotosForm::ZoekenClick);
    GeneralError::ConnectCommand(Button1, &QPushButton::clicked, this, &TOntbrekendeFotosForm::BitBtn1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    resize(600, 400);
}

QString TOntbrekendeFotosForm::ProjectFolder() const
{
    return m_host.Document().ProjectFolder();
}

void TOntbrekendeFotosForm::Execute()
{
    const QString folder = ProjectFolder();
    {
        BusyCursor busy;
        m_missing = MissingPhotoSearch::FindMissing(m_host.Document(), folder.isEmpty() ? QDir::currentPath() : folder);
    }
    if (m_missing.isEmpty()) {
        MessageDialogs::ShowInfoMessage(ProgramTexts::AppTitle(), Caption(),
                                        QStringLiteral("De bestanden van alle foto's van het project zijn te vinden."),
                                        QStringLiteral("&OK"));
        return;
    }
    FotoLijst->clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(m_missing.size());
    for (const MissingPhotoSearch::Photo &p : std::as_const(m_missing))
        items << new QTreeWidgetItem({p.isMap ? QStringLiteral("Kaart") : QString::fromLatin1(p.keyText),
                                      AnsiCodec::toUnicode(p.storedName), QString()});
    FotoLijst->addTopLevelItems(items);
    MapEdit->setText(QDir::toNativeSeparators(folder.isEmpty() ? QDir::currentPath() : QDir::cleanPath(folder)));
    const bool mapMissing = m_missing.first().isMap;
    const qsizetype photos = m_missing.size() - (mapMissing ? 1 : 0);
    QString what = photos == 1 ? QStringLiteral("1 foto ontbreekt") : QStringLiteral("%1 foto's ontbreken").arg(photos);
    if (mapMissing)
        what = photos == 0 ? QStringLiteral("De overzichtskaart ontbreekt")
                           : QStringLiteral("De overzichtskaart en %1 ontbreken")
                                 .arg(photos == 1 ? QStringLiteral("1 foto") : QStringLiteral("%1 foto's").arg(photos));
    StatusLabel->setText(what + QStringLiteral(". Kies de map waarin de bestanden nu staan en klik op Zoeken."));
    Button1->setEnabled(false);
    ZoekenButton->setDefault(true);
    MapEdit->setFocus();
    UserInteraction::ExecModal(this);
    m_host.Session().EnterProjectFolder();
}

void TOntbrekendeFotosForm::BladerenClick()
{
    UserInteraction::FileRequest request;
    request.kind = UserInteraction::FileDialogKind::Folder;
    request.parent = this;
    request.title = QStringLiteral("Map met de foto's");
    request.directory = QDir::fromNativeSeparators(MapEdit->text());
    const std::optional<QString> folder = UserInteraction::AskFile(request);
    m_host.Session().EnterProjectFolder();
    if (!folder)
        return;
    MapEdit->setText(QDir::toNativeSeparators(*folder));
    ZoekenClick();
}

void TOntbrekendeFotosForm::ZoekenClick()
{
    const QString folder = QDir::fromNativeSeparators(MapEdit->text().trimmed());
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        MessageDialogs::ShowErrorMessage(ProgramTexts::AppTitle(), Caption(),
                                         QStringLiteral("De map \"%1\" bestaat niet.").arg(MapEdit->text().trimmed()),
                                         QStringLiteral("&OK"));
        return;
    }
    int found;
    {
        BusyCursor busy;
        found = MissingPhotoSearch::Search(m_missing, folder);
    }
    ShowFound();
    StatusLabel->setText(
        QStringLiteral("%1 van %2 gevonden.").arg(found).arg(m_missing.size())
        + (found > 0 ? QStringLiteral(" Klik op OK om de gevonden bestanden te gebruiken.") : QString()));
    Button1->setEnabled(found > 0);
    if (found > 0)
        Button1->setDefault(true);
}

void TOntbrekendeFotosForm::ShowFound()
{
    const QString project = ProjectFolder();
    for (int i = 0; i < FotoLijst->topLevelItemCount() && i < m_missing.size(); ++i) {
        const QString &found = m_missing[i].found;
        QTreeWidgetItem *item = FotoLijst->topLevelItem(i);
        item->setText(
            2, found.isEmpty() ? NotFoundText() : QDir::toNativeSeparators(PhotoFileNames::StoredName(project, found)));
        item->setToolTip(2, QDir::toNativeSeparators(found));
    }
}

void TOntbrekendeFotosForm::BitBtn1Click()
{
    const QString project = ProjectFolder();
    QList<qsizetype> outside;
    for (qsizetype i = 0; i < m_missing.size(); ++i)
        if (!m_missing[i].found.isEmpty() && PhotoFileNames::RelativeInside(project, m_missing[i].found).isEmpty())
            outside << i;
    bool copy = false;
    if (!outside.isEmpty() && !project.isEmpty()) {
        const PhotoImport::Outside answer = PhotoImport::AskAboutOutside(int(outside.size()), project);
        if (answer == PhotoImport::Outside::Cancel)
            return;
        copy = answer == PhotoImport::Outside::Copy;
    }

    QList<RenamePhotosEdit::Rename> renames;
    std::optional<QByteArray> mapName;
    QStringList problems;
    {
        BusyCursor busy;
        // Photos are copied into "fotos", the map beside the project.
        std::optional<PhotoCopyPlan> plan;
        std::optional<PhotoCopyPlan> mapPlan;
        if (copy) {
            plan.emplace(QDir(project).filePath(PhotoFileNames::CopyFolderName()));
            mapPlan.emplace(project);
        }
        for (qsizetype i = 0; i < m_missing.size(); ++i) {
            QString path = m_missing[i].found;
            if (path.isEmpty())
                continue;
            if (copy && outside.contains(i)) {
                bool copied = false;
                QString error;
                const QString source = path;
                PhotoCopyPlan &into = m_missing[i].isMap ? *mapPlan : *plan;
                path = PhotoCopyPlan::Carry(source, into.Plan(source), &copied, &error);
                if (path.isEmpty()) {
                    problems << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(source), error);
                    continue;
                }
            }
            const QString stored = PhotoFileNames::StoredName(project, path);
            const std::optional<QByteArray> bytes = PhotoFileNames::Encoded(stored);
            if (!bytes) {
                problems << QStringLiteral("%1: de naam bevat tekens die een Tolvek-bestand niet kan bewaren (%2)")
                                .arg(QDir::toNativeSeparators(path), AnsiCodec::unencodableCharacters(stored));
                continue;
            }
            if (m_missing[i].isMap)
                mapName = *bytes;
            else
                renames.append(RenamePhotosEdit::Rename{m_missing[i].nameIndex, *bytes});
        }
        if (!renames.isEmpty() || mapName)
            m_host.Session().Perform(std::make_unique<RenamePhotosEdit>(m_host.Document(), renames, mapName));
    }
    if (!problems.isEmpty())
        MessageDialogs::ShowWarningMessage(ProgramTexts::AppTitle(), Caption(),
                                           QStringLiteral("Deze foto's zijn niet aangepast:\r\n")
                                               + problems.join(QStringLiteral("\r\n")),
                                           QStringLiteral("&OK"));
    accept();
}
