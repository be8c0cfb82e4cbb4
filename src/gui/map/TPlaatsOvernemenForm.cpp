#include "gui/map/TPlaatsOvernemenForm.h"

#include "core/base/ProgramTexts.h"
#include "core/map/GpsPlacement.h"
#include "core/photos/PhotoMetadataCache.h"
#include "core/platform/AnsiCodec.h"
#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"
#include "gui/map/MapCommands.h"
#include "gui/map/TKaartIjkenForm.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/HelpContexts.h"
#include "gui/widgets/MessageDialogs.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>

#include <cmath>

namespace {

QString Photos(int count)
{
    return count == 1 ? QStringLiteral("1 foto") : QStringLiteral("%1 foto's").arg(count);
}

} // namespace

TPlaatsOvernemenForm::TPlaatsOvernemenForm(ProjectHost &host, MapCommands &map, PhotoMetadataCache &metadata,
                                           QWidget *parent)
    : TakeFromCamerasDialog(host, metadata, Caption(), QStringLiteral("plaats uit foto's overnemen"),
                            {QStringLiteral("Foto"), QStringLiteral("Nu"), QStringLiteral("GPS"),
                             QStringLiteral("Afstand"), QStringLiteral("Nauwkeurigheid"), QStringLiteral("Opmerking")},
                            HelpContexts::TakePlaces, parent),
      m_map(map)
{
    setObjectName(QStringLiteral("PlaatsOvernemenForm"));
    resize(860, 420);
    for (int c = 1; c <= 4; ++c)
        FotoLijst->setColumnWidth(c, 80);
    FotoLijst->setColumnWidth(4, FotoLijst->header()->sectionSizeHint(4) + 8);
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
    return Run(positions);
}

bool TPlaatsOvernemenForm::Fill(const QList<qsizetype> &chosen)
{
    const std::optional<QList<Photo>> photos =
        ReadPhotos(chosen, QStringLiteral("De GPS-posities worden uit de foto's gelezen..."));
    if (!photos)
        return false;

    const ProjectDocument &doc = m_host.Document();
    QList<CameraRecord> records;
    for (const Photo &photo : *photos)
        records << photo.metadata.record;
    const MapGeoreference &georeference = m_map.Calibration().georeference;
    const GpsPlacement::Result placed = GpsPlacement::Place(georeference, m_map.MapSize(), records);

    m_gps.clear();
    int onMap = 0, outside = 0, without = 0, noFile = 0;
    for (qsizetype i = 0; i < photos->size(); ++i) {
        const Photo &photo = photos->at(i);
        const QByteArray &entry = doc.PositionList.at(photo.position);
        const CameraRecord &camera = records[i];
        const std::optional<QPoint> gps = placed.places[i];
        PhotoEntry::Position current;
        const bool parsed = PhotoEntry::TryParsePosition(entry, current);
        const QPoint now(current.x, current.y);

        auto *item = new QTreeWidgetItem(FotoLijst);
        item->setText(0, QStringLiteral("%1  %2").arg(QString::fromLatin1(photo.key), photo.name));
        const PhotoEntry::PositionViews written = PhotoEntry::SplitPositionView(entry);
        item->setText(1,
                      parsed ? QStringLiteral("%1, %2").arg(current.x).arg(current.y)
                             : AnsiCodec::toUnicode(written.x.toByteArray() + ", " + written.y.toByteArray()));
        item->setText(2, gps ? QStringLiteral("%1, %2").arg(gps->x()).arg(gps->y()) : QStringLiteral("\u2013"));
        QString distance = QStringLiteral("\u2013");
        if (camera.HasPosition() && parsed) {
            // On the ground, from the middle of the pixel the photo stands on.
            const std::optional<QPointF> ground =
                georeference.Projection()->ToProjected({*camera.longitude, *camera.latitude});
            if (ground) {
                const QPointF d = georeference.ToLocal(GpsPlacement::PhotoPoint(now)) - *ground;
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
        if (photo.name.isEmpty()) {
            remark = QStringLiteral("geen fotobestand");
            ++noFile;
        } else if (photo.metadata.state == PhotoMetadataCache::State::Missing) {
            remark = QStringLiteral("fotobestand niet gevonden");
            ++noFile;
        } else if (!camera.HasPosition()) {
            remark = QStringLiteral("de foto vermeldt geen GPS-positie");
            ++without;
        } else if (!gps) {
            remark = QStringLiteral("de GPS-positie ligt buiten de kaart");
            ++outside;
        } else {
            ++onMap;
            if (parsed && *gps == now)
                remark = QStringLiteral("staat al op de GPS-positie");
            else if (!camera.accuracy)
                remark = QStringLiteral("nauwkeurigheid niet vermeld");
        }
        item->setText(5, remark);
        // Ticked where the photo stands elsewhere.
        AddRow(item, photo.position, gps ? std::optional<bool>(!(parsed && *gps == now)) : std::nullopt);
        m_gps.append(gps);
    }

    QString text = QStringLiteral("%1 van de %2 foto's hebben een GPS-positie op de kaart. De aangevinkte foto's "
                                  "worden op hun GPS-positie gezet.")
                       .arg(onMap)
                       .arg(photos->size());
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
    EnableTicking(onMap > 0);
    return true;
}

QByteArray TPlaatsOvernemenForm::Taken(int row, const QByteArray &old) const
{
    const QPoint gps = *m_gps.at(row);
    return PhotoEntry::MovedPosition(old, gps.x(), gps.y());
}
