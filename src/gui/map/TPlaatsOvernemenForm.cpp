#include "gui/map/TPlaatsOvernemenForm.h"

#include "core/base/ProgramTexts.h"
#include "core/map/GpsPlacement.h"
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

#include <cmath>

namespace {

QString Photos(int count)
{
    return count == 1 ? QStringLiteral("1 foto") : QStringLiteral("%1 foto's").arg(count);
}

} // namespace

TPlaatsOvernemenForm::TPlaatsOvernemenForm(ProjectHost &host, MapCommands &map, PhotoMetadataCache &metadata,
                                           QWidget *parent)
    : QDialog(parent),
      m_host(host),
      m_map(map),
      m_metadata(metadata)
{
    setObjectName(QStringLiteral("PlaatsOvernemenForm"));
    setWindowTitle(Caption());
    setModal(true);
    resize(860, 420);

    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    layout->addWidget(Label1);

    FotoLijst = new QTreeWidget(this);
    FotoLijst->setObjectName(QStringLiteral("FotoLijst"));
    FotoLijst->setHeaderLabels({QStringLiteral("Foto"), QStringLiteral("Nu"), QStringLiteral("GPS"),
                                QStringLiteral("Afstand"), QStringLiteral("Nauwkeurigheid"),
                                QStringLiteral("Opmerking")});
    FotoLijst->setRootIsDecorated(false);
    FotoLijst->setUniformRowHeights(true);
    FotoLijst->setSelectionMode(QAbstractItemView::SingleSelection);
    FotoLijst->header()->setStretchLastSection(true);
    FotoLijst->setColumnWidth(0, 200);
    for (int c = 1; c <= 4; ++c)
        FotoLijst->setColumnWidth(c, 80);
    FotoLijst->setColumnWidth(4, FotoLijst->header()->sectionSizeHint(4) + 8);
    layout->addWidget(FotoLijst, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(DialogParts::MakeHelpButton(this, 0, 0, HelpContexts::TakePlaces));
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
    GeneralError::ConnectCommand(Button1, &QPushButton::clicked, this, &TPlaatsOvernemenForm::OkClick);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

QString TPlaatsOvernemenForm::NoGeoreferenceText()
{
    return QStringLiteral("De kaart ligt nog niet vast op aarde, dus de GPS-positie van een foto kan er niet op "
                          "worden gezet. Geef de kaart eerst paspunten met Gegevens > Kaart ijken > Coördinaten.");
}

int TPlaatsOvernemenForm::Execute(const QList<qsizetype> &positions)
{
    if (m_map.MapPath().isEmpty() || !m_map.Calibration().IsGeoreferenced()) {
        MessageDialogs::ShowInfoMessage(ProgramTexts::AppTitle(), Caption(), NoGeoreferenceText(),
                                        QStringLiteral("&OK"));
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

bool TPlaatsOvernemenForm::Fill(const QList<qsizetype> &chosen)
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
    QStringList toRead;
    for (const qsizetype p : positions)
        toRead << names.value(PhotoEntry::KeyText(doc.PositionList.at(p)));
    if (!CameraRecordReading::ReadAll(m_metadata, toRead, folder, m_host.MainWindow(), Caption(),
                                      QStringLiteral("De GPS-posities worden uit de foto's gelezen...")))
        return false;

    QList<CameraRecord> records;
    QList<PhotoMetadataCache::State> states;
    for (const QString &name : toRead) {
        const PhotoMetadataCache::Metadata md =
            name.isEmpty() ? PhotoMetadataCache::Metadata() : m_metadata.Known(name, folder);
        records << md.record;
        states << md.state;
    }
    const MapGeoreference &georeference = m_map.Calibration().georeference;
    const GpsPlacement::Result placed = GpsPlacement::Place(georeference, m_map.MapSize(), records);

    FotoLijst->clear();
    m_rows.clear();
    int onMap = 0, outside = 0, without = 0, noFile = 0;
    for (qsizetype i = 0; i < positions.size(); ++i) {
        const qsizetype p = positions[i];
        const QByteArray &entry = doc.PositionList.at(p);
        const QByteArray key = PhotoEntry::KeyText(entry);
        const CameraRecord &camera = records[i];
        Row row;
        row.position = p;
        row.gps = placed.places[i];
        PhotoEntry::Position current;
        const bool parsed = PhotoEntry::TryParsePosition(entry, current);
        const QPoint now(current.x, current.y);

        auto *item = new QTreeWidgetItem(FotoLijst);
        item->setText(0, QStringLiteral("%1  %2").arg(QString::fromLatin1(key), toRead[i]));
        const PhotoEntry::PositionViews written = PhotoEntry::SplitPositionView(entry);
        item->setText(1,
                      parsed ? QStringLiteral("%1, %2").arg(current.x).arg(current.y)
                             : AnsiCodec::toUnicode(written.x.toByteArray() + ", " + written.y.toByteArray()));
        item->setText(
            2, row.gps ? QStringLiteral("%1, %2").arg(row.gps->x()).arg(row.gps->y()) : QStringLiteral("\u2013"));
        QString distance = QStringLiteral("\u2013");
        if (camera.HasPosition() && parsed) {
            // On the ground, from the middle of the pixel the photo stands on.
            const std::optional<QPointF> gps =
                georeference.Projection()->ToProjected({*camera.longitude, *camera.latitude});
            if (gps) {
                const QPointF d = georeference.ToLocal(GpsPlacement::PhotoPoint(now)) - *gps;
                const double metres = std::hypot(d.x(), d.y());
                if (std::isfinite(metres))
                    distance = metres >= 1000
                        ? QStringLiteral("%1 km").arg(TKaartIjkenForm::NumberText(metres / 1000, 1))
                        : QStringLiteral("%1 m").arg(TKaartIjkenForm::NumberText(metres, 1));
            }
        }
        item->setText(3, distance);
        item->setText(4,
                      camera.accuracy && *camera.accuracy > 0
                          ? QStringLiteral("\u00b1 %1 m").arg(TKaartIjkenForm::NumberText(*camera.accuracy, 1))
                          : QStringLiteral("\u2013"));
        for (int c = 1; c <= 4; ++c)
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);

        QString remark;
        if (toRead[i].isEmpty()) {
            remark = QStringLiteral("geen fotobestand");
            ++noFile;
        } else if (states[i] == PhotoMetadataCache::State::Missing) {
            remark = QStringLiteral("fotobestand niet gevonden");
            ++noFile;
        } else if (!camera.HasPosition()) {
            remark = QStringLiteral("de foto vermeldt geen GPS-positie");
            ++without;
        } else if (!row.gps) {
            remark = QStringLiteral("de GPS-positie ligt buiten de kaart");
            ++outside;
        } else {
            ++onMap;
            if (parsed && *row.gps == now)
                remark = QStringLiteral("staat al op de GPS-positie");
            else if (!camera.accuracy)
                remark = QStringLiteral("nauwkeurigheid niet vermeld");
        }
        item->setText(5, remark);
        if (row.gps) {
            // Ticked where the photo stands elsewhere.
            item->setCheckState(0, parsed && *row.gps == now ? Qt::Unchecked : Qt::Checked);
        } else {
            item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
            item->setDisabled(true);
        }
        m_rows.append(row);
    }

    QString text = QStringLiteral("%1 van de %2 foto's hebben een GPS-positie op de kaart. De aangevinkte foto's "
                                  "worden op hun GPS-positie gezet.")
                       .arg(onMap)
                       .arg(positions.size());
    QStringList notPlaced;
    if (outside > 0)
        notPlaced << Photos(outside) + QStringLiteral(" met een GPS-positie buiten de kaart");
    if (without > 0)
        notPlaced << Photos(without) + QStringLiteral(" zonder GPS-positie");
    if (noFile > 0)
        notPlaced << Photos(noFile) + QStringLiteral(" zonder fotobestand");
    if (!notPlaced.isEmpty())
        text += QStringLiteral("\nNiet te plaatsen: ") + notPlaced.join(QStringLiteral(", ")) + QLatin1Char('.');
    Label1->setText(text);
    // Numbers as wide as they are, so the remarks have the room.
    for (int c = 0; c <= 4; ++c)
        FotoLijst->resizeColumnToContents(c);
    Button1->setEnabled(onMap > 0);
    AllesButton->setEnabled(onMap > 0);
    NietsButton->setEnabled(onMap > 0);
    return true;
}

void TPlaatsOvernemenForm::Tick(bool on)
{
    for (int i = 0; i < FotoLijst->topLevelItemCount(); ++i)
        if (m_rows.at(i).gps)
            FotoLijst->topLevelItem(i)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
}

void TPlaatsOvernemenForm::OkClick()
{
    const ProjectDocument &doc = m_host.Document();
    QList<QByteArray> positions = doc.PositionList;
    int changed = 0;
    for (int i = 0; i < FotoLijst->topLevelItemCount(); ++i) {
        const Row &row = m_rows.at(i);
        if (!row.gps || FotoLijst->topLevelItem(i)->checkState(0) != Qt::Checked)
            continue;
        if (row.position >= positions.size())
            continue;
        const QByteArray &old = positions.at(row.position);
        // Key and direction stay exactly as written; only x and y change.
        const QByteArray entry =
            PhotoEntry::Make(PhotoEntry::KeyView(old),
                             QByteArray::number(row.gps->x()) + ',' + QByteArray::number(row.gps->y()) + ','
                                 + PhotoEntry::SplitPositionView(old).direction.toByteArray());
        if (entry != old) {
            positions[row.position] = entry;
            ++changed;
        }
    }
    accept();
    if (changed > 0)
        m_host.Session().Perform(
            std::make_unique<ReplacePositionsEdit>(positions, true, QStringLiteral("plaats uit foto's overnemen")));
}
