#include "gui/map/TRichtingOvernemenForm.h"

#include "core/base/ProgramTexts.h"
#include "core/photos/CameraDirection.h"
#include "core/platform/AnsiCodec.h"
#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"
#include "gui/map/MapCommands.h"
#include "gui/map/TKaartIjkenForm.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/HelpContexts.h"
#include "gui/widgets/MessageDialogs.h"

#include <QLabel>
#include <QTreeWidget>

TRichtingOvernemenForm::TRichtingOvernemenForm(ProjectHost &host, MapCommands &map, PhotoMetadataCache &metadata,
                                               QWidget *parent)
    : TakeFromCamerasDialog(host, metadata, Caption(), QStringLiteral("richting uit foto's overnemen"),
                            {QStringLiteral("Foto"), QStringLiteral("Nu"), QStringLiteral("Camera"),
                             QStringLiteral("Verschil"), QStringLiteral("Opmerking")},
                            HelpContexts::TakeDirections, parent),
      m_map(map)
{
    setObjectName(QStringLiteral("RichtingOvernemenForm"));
    resize(640, 420);
    for (int c = 1; c <= 3; ++c)
        FotoLijst->setColumnWidth(c, 70);
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
    return Run(positions);
}

bool TRichtingOvernemenForm::Fill(const QList<qsizetype> &chosen)
{
    const std::optional<QList<Photo>> photos =
        ReadPhotos(chosen, QStringLiteral("De richtingen worden uit de foto's gelezen..."));
    if (!photos)
        return false;

    const ProjectDocument &doc = m_host.Document();
    const CameraDirection::MapNorth north = m_map.Calibration().North();
    m_camera.clear();
    int withCamera = 0;
    for (const Photo &photo : *photos) {
        const QByteArray &entry = doc.PositionList.at(photo.position);
        std::optional<std::int32_t> current;
        std::optional<std::int32_t> camera;
        std::int32_t written = 0;
        if (PhotoEntry::TryInt(PhotoEntry::SplitPositionView(entry).direction, written))
            current = written;
        QString remark;
        if (photo.name.isEmpty()) {
            remark = QStringLiteral("geen fotobestand");
        } else {
            const PhotoMetadataCache::Metadata &md = photo.metadata;
            if (md.state == PhotoMetadataCache::State::Missing) {
                remark = QStringLiteral("fotobestand niet gevonden");
            } else {
                const CameraDirection::Result r = CameraDirection::FromCamera(md.record, north);
                camera = r.direction;
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
        item->setText(0, QStringLiteral("%1  %2").arg(QString::fromLatin1(photo.key), photo.name));
        item->setText(1,
                      current ? QStringLiteral("%1\u00b0").arg(*current)
                              : AnsiCodec::toUnicode(PhotoEntry::SplitPositionView(entry).direction.toByteArray()));
        item->setText(2, camera ? QStringLiteral("%1\u00b0").arg(*camera) : QStringLiteral("\u2013"));
        item->setText(3,
                      camera && current ? QStringLiteral("%1%2\u00b0")
                                              .arg(Difference(*current, *camera) > 0 ? QStringLiteral("+") : QString())
                                              .arg(Difference(*current, *camera))
                                        : QStringLiteral("\u2013"));
        item->setText(4, remark);
        for (int c = 1; c <= 3; ++c)
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        if (camera)
            ++withCamera;
        // Ticked where the camera says something else than the map.
        AddRow(item, photo.position, camera ? std::optional<bool>(current != camera) : std::nullopt);
        m_camera.append(camera);
    }
    const int count = int(photos->size());
    Label1->setText(
        QStringLiteral("%1 van de %2 foto's vermelden de richting van de camera. De aangevinkte foto's krijgen die "
                       "richting op de kaart (noordpijl %3\u00b0).")
            .arg(withCamera)
            .arg(count)
            .arg(TKaartIjkenForm::NumberText(*north.arrow)));
    EnableTicking(withCamera > 0);
    return true;
}

QByteArray TRichtingOvernemenForm::Taken(int row, const QByteArray &old) const
{
    const PhotoEntry::PositionViews parts = PhotoEntry::SplitPositionView(old);
    // Key, x and y stay exactly as written; only the direction changes.
    return PhotoEntry::Make(PhotoEntry::KeyView(old),
                            parts.x.toByteArray() + ',' + parts.y.toByteArray() + ','
                                + QByteArray::number(*m_camera.at(row)));
}
