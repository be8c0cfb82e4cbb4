#include "gui/map/TFotoPaspuntForm.h"

#include "core/base/ProgramTexts.h"
#include "core/map/GpsPlacement.h"
#include "core/photos/PhotoMetadataCache.h"
#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"
#include "gui/photos/CameraRecordReading.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/DialogParts.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include <QVBoxLayout>
#include <cmath>

TFotoPaspuntForm::TFotoPaspuntForm(ProjectHost &host, PhotoMetadataCache &metadata, QWidget *parent)
    : QDialog(parent),
      m_host(host),
      m_metadata(metadata)
{
    setObjectName(QStringLiteral("FotoPaspuntForm"));
    setWindowTitle(Caption());
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("Kies een foto waarvan u de GPS-positie vertrouwt en die op de goede plek van "
                                       "de kaart staat. Een telefoon-GPS zit buiten zo'n 5 m naast de werkelijke "
                                       "plek, in de stad 7 tot 13 m."),
                        this);
    Label1->setWordWrap(true);
    layout->addWidget(Label1);
    FotoLijst = new QTreeWidget(this);
    FotoLijst->setObjectName(QStringLiteral("FotoLijst"));
    FotoLijst->setHeaderLabels({QStringLiteral("Foto"), QStringLiteral("Op de kaart"), QStringLiteral("GPS-positie"),
                                QStringLiteral("Nauwkeurigheid")});
    FotoLijst->setRootIsDecorated(false);
    FotoLijst->setAllColumnsShowFocus(true);
    FotoLijst->header()->setStretchLastSection(true);
    layout->addWidget(FotoLijst, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    DialogParts::AddOkCancel(this, buttons, Button1, Button2);
    layout->addLayout(buttons);
    resize(620, 360);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(FotoLijst, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
}

std::optional<TFotoPaspuntForm::Choice> TFotoPaspuntForm::Choose()
{
    const ProjectDocument &doc = m_host.Document();
    const QString folder = CameraRecordReading::Folder(doc);
    const QStringList toRead = CameraRecordReading::StoredNames(doc);
    if (!CameraRecordReading::ReadAll(m_metadata, toRead, folder, m_host.MainWindow(), Caption(),
                                      QStringLiteral("De GPS-posities worden uit de foto's gelezen...")))
        return std::nullopt;

    FotoLijst->clear();
    m_choices.clear();
    for (qsizetype i = 0; i < doc.PositionList.size(); ++i) {
        const QByteArray &entry = doc.PositionList.at(i);
        PhotoEntry::Position position;
        if (toRead[i].isEmpty() || !PhotoEntry::TryParsePosition(entry, position))
            continue;
        const CameraRecord record = m_metadata.Known(toRead[i], folder).record;
        if (!record.HasPosition())
            continue;
        const QPointF map = GpsPlacement::PhotoPoint(QPoint(position.x, position.y));
        auto *item = new QTreeWidgetItem(FotoLijst);
        item->setText(0, QStringLiteral("%1  %2").arg(QString::fromLatin1(PhotoEntry::KeyText(entry)), toRead[i]));
        item->setText(1, QStringLiteral("%1, %2").arg(position.x).arg(position.y));
        item->setText(2,
                      QStringLiteral("%1, %2").arg(QString::number(*record.latitude, 'f', 6),
                                                   QString::number(*record.longitude, 'f', 6)));
        item->setText(3,
                      record.accuracy ? QStringLiteral("\u00b1 %1 m").arg(int(std::ceil(*record.accuracy)))
                                      : QStringLiteral("niet vermeld"));
        m_choices.append({map, {*record.longitude, *record.latitude}});
    }
    if (m_choices.isEmpty()) {
        MessageDialogs::ShowInfoMessage(ProgramTexts::AppTitle(), Caption(),
                                        QStringLiteral("Geen enkele foto in het project vermeldt een GPS-positie."),
                                        QStringLiteral("&OK"));
        return std::nullopt;
    }
    for (int c = 0; c < FotoLijst->columnCount(); ++c)
        FotoLijst->resizeColumnToContents(c);
    FotoLijst->setCurrentItem(FotoLijst->topLevelItem(0));
    FotoLijst->setFocus();
    if (UserInteraction::ExecModal(this) != QDialog::Accepted)
        return std::nullopt;
    const int row = FotoLijst->indexOfTopLevelItem(FotoLijst->currentItem());
    if (row < 0 || row >= m_choices.size())
        return std::nullopt;
    return m_choices.at(row);
}
