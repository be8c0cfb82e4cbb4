#include "gui/map/TakeFromCamerasDialog.h"

#include "core/base/ProgramTexts.h"
#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "core/project/ReplacePositionsEdit.h"
#include "gui/photos/CameraRecordReading.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/DialogParts.h"
#include "gui/widgets/GeneralError.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TakeFromCamerasDialog::TakeFromCamerasDialog(ProjectHost &host, PhotoMetadataCache &metadata, const QString &caption,
                                             const QString &editName, const QStringList &columns, int helpContext,
                                             QWidget *parent)
    : QDialog(parent),
      m_host(host),
      m_metadata(metadata),
      m_caption(caption),
      m_editName(editName)
{
    setWindowTitle(caption);
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    layout->addWidget(Label1);

    FotoLijst = new QTreeWidget(this);
    FotoLijst->setObjectName(QStringLiteral("FotoLijst"));
    FotoLijst->setHeaderLabels(columns);
    FotoLijst->setRootIsDecorated(false);
    FotoLijst->setUniformRowHeights(true);
    FotoLijst->setSelectionMode(QAbstractItemView::SingleSelection);
    FotoLijst->header()->setStretchLastSection(true);
    FotoLijst->setColumnWidth(0, 200);
    layout->addWidget(FotoLijst, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(DialogParts::MakeHelpButton(this, 0, 0, helpContext));
    AllesButton = new QPushButton(QStringLiteral("Alles aan&vinken"), this);
    AllesButton->setObjectName(QStringLiteral("AllesButton"));
    AllesButton->setAutoDefault(false);
    NietsButton = new QPushButton(QStringLiteral("&Niets aanvinken"), this);
    NietsButton->setObjectName(QStringLiteral("NietsButton"));
    NietsButton->setAutoDefault(false);
    buttons->addWidget(AllesButton);
    buttons->addWidget(NietsButton);
    buttons->addStretch(1);
    DialogParts::AddOkCancel(this, buttons, Button1, Button2);
    layout->addLayout(buttons);

    connect(AllesButton, &QPushButton::clicked, this, [this] { Tick(true); });
    connect(NietsButton, &QPushButton::clicked, this, [this] { Tick(false); });
    GeneralError::ConnectCommand(Button1, &QPushButton::clicked, this, &TakeFromCamerasDialog::OkClick);
}

int TakeFromCamerasDialog::Run(const QList<qsizetype> &positions)
{
    if (m_host.Document().PositionList.isEmpty()) {
        MessageDialogs::ShowInfoMessage(ProgramTexts::AppTitle(), m_caption,
                                        QStringLiteral("Het project heeft nog geen foto's."), QStringLiteral("&OK"));
        return QDialog::Rejected;
    }
    // The dialog is kept between uses: the table starts anew each time.
    FotoLijst->clear();
    m_rows.clear();
    if (!Fill(positions))
        return QDialog::Rejected;
    FotoLijst->setFocus();
    if (FotoLijst->topLevelItemCount() > 0)
        FotoLijst->setCurrentItem(FotoLijst->topLevelItem(0));
    return UserInteraction::ExecModal(this);
}

std::optional<QList<TakeFromCamerasDialog::Photo>> TakeFromCamerasDialog::ReadPhotos(const QList<qsizetype> &chosen,
                                                                                     const QString &progressText)
{
    const ProjectDocument &doc = m_host.Document();
    QList<qsizetype> positions = chosen;
    if (positions.isEmpty())
        for (qsizetype i = 0; i < doc.PositionList.size(); ++i)
            positions.append(i);
    const QString folder = CameraRecordReading::Folder(doc);
    const QStringList names = CameraRecordReading::StoredNames(doc);

    // What the cameras recorded comes from the shared cache; the photos not
    // read yet are read now, with a progress dialog when that takes long.
    QList<Photo> photos;
    QStringList toRead;
    for (const qsizetype p : positions) {
        Photo photo;
        photo.position = p;
        photo.key = PhotoEntry::KeyText(doc.PositionList.at(p));
        photo.name = names.value(p);
        toRead << photo.name;
        photos << photo;
    }
    if (!CameraRecordReading::ReadAll(m_metadata, toRead, folder, m_host.MainWindow(), m_caption, progressText))
        return std::nullopt;
    for (Photo &photo : photos)
        if (!photo.name.isEmpty())
            photo.metadata = m_metadata.Known(photo.name, folder);
    return photos;
}

void TakeFromCamerasDialog::AddRow(QTreeWidgetItem *item, qsizetype position, std::optional<bool> ticked)
{
    if (ticked) {
        item->setCheckState(0, *ticked ? Qt::Checked : Qt::Unchecked);
    } else {
        item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
        item->setDisabled(true);
    }
    m_rows.append({position, ticked.has_value()});
}

void TakeFromCamerasDialog::EnableTicking(bool enable)
{
    Button1->setEnabled(enable);
    AllesButton->setEnabled(enable);
    NietsButton->setEnabled(enable);
}

void TakeFromCamerasDialog::Tick(bool on)
{
    for (int i = 0; i < FotoLijst->topLevelItemCount(); ++i)
        if (m_rows.at(i).tickable)
            FotoLijst->topLevelItem(i)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
}

void TakeFromCamerasDialog::OkClick()
{
    const ProjectDocument &doc = m_host.Document();
    QList<QByteArray> positions = doc.PositionList;
    int changed = 0;
    for (int i = 0; i < FotoLijst->topLevelItemCount(); ++i) {
        const Row &row = m_rows.at(i);
        if (!row.tickable || FotoLijst->topLevelItem(i)->checkState(0) != Qt::Checked)
            continue;
        if (row.position >= positions.size())
            continue;
        const QByteArray &old = positions.at(row.position);
        const QByteArray entry = Taken(i, old);
        if (entry != old) {
            positions[row.position] = entry;
            ++changed;
        }
    }
    accept();
    if (changed > 0)
        m_host.Session().Perform(std::make_unique<ReplacePositionsEdit>(positions, true, m_editName));
}
