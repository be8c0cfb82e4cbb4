#include "gui/map/TRichtingOvernemenForm.h"

#include "core/base/ProgramTexts.h"
#include "core/photos/CameraDirection.h"
#include "core/photos/PhotoMetadataCache.h"
#include "core/platform/AnsiCodec.h"
#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "core/project/ReplacePositionsEdit.h"
#include "gui/map/MapCommands.h"
#include "gui/map/TKaartIjkenForm.h"
#include "gui/photos/CameraRecordReading.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/DialogParts.h"
#include "gui/widgets/GeneralError.h"
#include "gui/widgets/HelpContexts.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TRichtingOvernemenForm::TRichtingOvernemenForm(ProjectHost &host, MapCommands &map, PhotoMetadataCache &metadata,
                                               QWidget *parent)
    : QDialog(parent),
      m_host(host),
      m_map(map),
      m_metadata(metadata)
{
    setObjectName(QStringLiteral("RichtingOvernemenForm"));
    setWindowTitle(Caption());
    setModal(true);
    resize(640, 420);

    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    layout->addWidget(Label1);

    FotoLijst = new QTreeWidget(this);
    FotoLijst->setObjectName(QStringLiteral("FotoLijst"));
    FotoLijst->setHeaderLabels({QStringLiteral("Foto"), QStringLiteral("Nu"), QStringLiteral("Camera"),
                                QStringLiteral("Verschil"), QStringLiteral("Opmerking")});
    FotoLijst->setRootIsDecorated(false);
    FotoLijst->setUniformRowHeights(true);
    FotoLijst->setSelectionMode(QAbstractItemView::SingleSelection);
    FotoLijst->header()->setStretchLastSection(true);
    FotoLijst->setColumnWidth(0, 200);
    for (int c = 1; c <= 3; ++c)
        FotoLijst->setColumnWidth(c, 70);
    layout->addWidget(FotoLijst, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(DialogParts::MakeHelpButton(this, 0, 0, HelpContexts::TakeDirections));
    AllesButton = new QPushButton(QStringLiteral("Alles aan&vinken"), this);
    AllesButton->setObjectName(QStringLiteral("AllesButton"));
    AllesButton->setAutoDefault(false);
    NietsButton = new QPushButton(QStringLiteral("&Niets aanvinken"), this);
    NietsButton->setObjectName(QStringLiteral("NietsButton"));
    NietsButton->setAutoDefault(false);
    buttons->addWidget(AllesButton);
    buttons->addWidget(NietsButton);
    buttons->addStretch(1);
    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("&Annuleren"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);

    connect(AllesButton, &QPushButton::clicked, this, [this] { Tick(true); });
    connect(NietsButton, &QPushButton::clicked, this, [this] { Tick(false); });
    GeneralError::ConnectCommand(Button1, &QPushButton::clicked, this, &TRichtingOvernemenForm::OkClick);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

QString TRichtingOvernemenForm::NoNorthText()
{
    return QStringLiteral("De kaart heeft geen noordpijl, dus de richting van de camera kan niet op de kaart worden "
                          "gezet. Stel het noorden eerst in met Gegevens > Kaart ijken.");
}

int TRichtingOvernemenForm::Difference(std::int32_t from, std::int32_t to)
{
    int d = int((qint64(to) - from) % 360);
    if (d > 180)
        d -= 360;
    if (d <= -180)
        d += 360;
    return d;
}

int TRichtingOvernemenForm::Execute(const QList<qsizetype> &positions)
{
    if (!m_map.Calibration().HasNorth()) {
        MessageDialogs::ShowInfoMessage(ProgramTexts::AppTitle(), Caption(), NoNorthText(), QStringLiteral("&OK"));
        return QDialog::Rejected;
    }
    if (m_host.Document().PositionList.isEmpty()) {
        MessageDialogs::ShowInfoMessage(ProgramTexts::AppTitle(), Caption(),
                                        QStringLiteral("Het project heeft nog geen foto's."), QStringLiteral("&OK"));
        return QDialog::Rejected;
    }
    if (!Fill(positions))
        return QDialog::Rejected;
    FotoLijst->setFocus();
    if (FotoLijst->topLevelItemCount() > 0)
        FotoLijst->setCurrentItem(FotoLijst->topLevelItem(0));
    return UserInteraction::ExecModal(this);
}

bool TRichtingOvernemenForm::Fill(const QList<qsizetype> &chosen)
{
    const ProjectDocument &doc = m_host.Document();
    QList<qsizetype> positions = chosen;
    if (positions.isEmpty())
        for (qsizetype i = 0; i < doc.PositionList.size(); ++i)
            positions.append(i);
    QString folder = doc.ProjectFolder();
    if (folder.isEmpty())
        folder = QDir::currentPath();

    // Names by key, the first entry of each as every look-up takes it.
    QHash<QByteArray, QString> names;
    for (const QByteArray &entry : doc.NameList) {
        const QByteArray key = PhotoEntry::KeyText(entry);
        if (!names.contains(key))
            names.insert(key, AnsiCodec::toUnicode(PhotoEntry::Value(entry)));
    }

    // What the cameras recorded comes from the shared cache; the photos not
    // read yet are read now, with a progress dialog when that takes long.
    QStringList toRead;
    for (const qsizetype p : positions)
        toRead << names.value(PhotoEntry::KeyText(doc.PositionList.at(p)));
    if (!CameraRecordReading::ReadAll(m_metadata, toRead, folder, m_host.MainWindow(), Caption(),
                                      QStringLiteral("De richtingen worden uit de foto's gelezen...")))
        return false;

    const CameraDirection::MapNorth north = m_map.Calibration().North();
    FotoLijst->clear();
    m_rows.clear();
    int withCamera = 0;
    for (const qsizetype p : positions) {
        const QByteArray &entry = doc.PositionList.at(p);
        const QByteArray key = PhotoEntry::KeyText(entry);
        const QString name = names.value(key);
        Row row;
        row.position = p;
        std::int32_t current = 0;
        if (PhotoEntry::TryInt(PhotoEntry::SplitPositionView(entry).direction, current))
            row.current = current;
        QString remark;
        if (name.isEmpty()) {
            remark = QStringLiteral("geen fotobestand");
        } else {
            const PhotoMetadataCache::Metadata md = m_metadata.Known(name, folder);
            if (md.state == PhotoMetadataCache::State::Missing) {
                remark = QStringLiteral("fotobestand niet gevonden");
            } else {
                const CameraDirection::Result r = CameraDirection::FromCamera(md.record, north);
                row.camera = r.direction;
                switch (r.basis) {
                case CameraDirection::Basis::None:
                    remark = QStringLiteral("de foto vermeldt geen richting");
                    break;
                case CameraDirection::Basis::True:
                    remark = QStringLiteral("kompasrichting %1\u00b0 (ware noorden)")
                                 .arg(TKaartIjkenForm::NumberText(r.trueBearing, 1));
                    break;
                case CameraDirection::Basis::Magnetic:
                    remark = QStringLiteral("kompasrichting %1\u00b0 magnetisch, %2\u00b0 gecorrigeerd")
                                 .arg(TKaartIjkenForm::NumberText(*md.record.direction, 1),
                                      TKaartIjkenForm::NumberText(r.declination, 1));
                    break;
                case CameraDirection::Basis::MagneticAsIs:
                    remark = QStringLiteral("kompasrichting %1\u00b0 magnetisch, niet gecorrigeerd: plaats onbekend")
                                 .arg(TKaartIjkenForm::NumberText(*md.record.direction, 1));
                    break;
                }
            }
        }
        auto *item = new QTreeWidgetItem(FotoLijst);
        item->setText(0, QStringLiteral("%1  %2").arg(QString::fromLatin1(key), name));
        item->setText(1,
                      row.current ? QStringLiteral("%1\u00b0").arg(*row.current)
                                  : AnsiCodec::toUnicode(PhotoEntry::SplitPositionView(entry).direction.toByteArray()));
        item->setText(2, row.camera ? QStringLiteral("%1\u00b0").arg(*row.camera) : QStringLiteral("\u2013"));
        item->setText(3,
                      row.camera && row.current
                          ? QStringLiteral("%1%2\u00b0")
                                .arg(Difference(*row.current, *row.camera) > 0 ? QStringLiteral("+") : QString())
                                .arg(Difference(*row.current, *row.camera))
                          : QStringLiteral("\u2013"));
        item->setText(4, remark);
        for (int c = 1; c <= 3; ++c)
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        if (row.camera) {
            ++withCamera;
            // Ticked where the camera says something else than the map.
            item->setCheckState(0, row.current == row.camera ? Qt::Unchecked : Qt::Checked);
        } else {
            item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
            item->setDisabled(true);
        }
        m_rows.append(row);
    }
    const int count = int(positions.size());
    Label1->setText(
        QStringLiteral("%1 van de %2 foto's vermelden de richting van de camera. De aangevinkte foto's krijgen die "
                       "richting op de kaart (noordpijl %3\u00b0).")
            .arg(withCamera)
            .arg(count)
            .arg(TKaartIjkenForm::NumberText(*north.arrow)));
    Button1->setEnabled(withCamera > 0);
    AllesButton->setEnabled(withCamera > 0);
    NietsButton->setEnabled(withCamera > 0);
    return true;
}

void TRichtingOvernemenForm::Tick(bool on)
{
    for (int i = 0; i < FotoLijst->topLevelItemCount(); ++i)
        if (m_rows.at(i).camera)
            FotoLijst->topLevelItem(i)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
}

void TRichtingOvernemenForm::OkClick()
{
    const ProjectDocument &doc = m_host.Document();
    QList<QByteArray> positions = doc.PositionList;
    int changed = 0;
    for (int i = 0; i < FotoLijst->topLevelItemCount(); ++i) {
        const Row &row = m_rows.at(i);
        if (!row.camera || FotoLijst->topLevelItem(i)->checkState(0) != Qt::Checked)
            continue;
        if (row.position >= positions.size())
            continue;
        const QByteArray &old = positions.at(row.position);
        const PhotoEntry::PositionViews parts = PhotoEntry::SplitPositionView(old);
        // Key, x and y stay exactly as written; only the direction changes.
        const QByteArray entry = PhotoEntry::Make(PhotoEntry::KeyView(old),
                                                  parts.x.toByteArray() + ',' + parts.y.toByteArray() + ','
                                                      + QByteArray::number(*row.camera));
        if (entry != old) {
            positions[row.position] = entry;
            ++changed;
        }
    }
    accept();
    if (changed > 0)
        m_host.Session().Perform(
            std::make_unique<ReplacePositionsEdit>(positions, true, QStringLiteral("richting uit foto's overnemen")));
}
