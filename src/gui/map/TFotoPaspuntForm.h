#pragma once

#include "core/map/EarthProjection.h"

#include <QDialog>
#include <QList>
#include <QPointF>

#include <optional>

class PhotoMetadataCache;
class ProjectHost;
class QLabel;
class QPushButton;
class QTreeWidget;

// "Punt &uit een foto..." in the calibration dialog: the project's photos
// whose camera recorded a GPS position, to take one as a control point:
// where the photo stands on the map and where its camera was on Earth.
// What the cameras recorded comes from the shared cache, read with
// progress and a way to stop when it is not known yet.
class TFotoPaspuntForm : public QDialog
{
    Q_OBJECT
public:
    struct Choice
    {
        QPointF map;
        EarthProjection::LonLat earth;
    };

    TFotoPaspuntForm(ProjectHost &host, PhotoMetadataCache &metadata, QWidget *parent);

    // The chosen photo's point; nothing when the user stopped or cancelled,
    // or no photo has a position (the user is told).
    std::optional<Choice> Choose();

    static QString Caption() { return QStringLiteral("Paspunt uit een foto"); }

    QLabel *Label1 = nullptr;
    QTreeWidget *FotoLijst = nullptr;
    QPushButton *Button1 = nullptr; // OK
    QPushButton *Button2 = nullptr; // Annuleren

private:
    ProjectHost &m_host;
    PhotoMetadataCache &m_metadata;
    QList<Choice> m_choices;
};
