#pragma once

#include "gui/map/TakeFromCamerasDialog.h"

#include <QList>
#include <QPoint>

#include <optional>

class MapCommands;

// "&Plaats uit foto's overnemen...": for the photos selected in the list (or
// all), a table of each photo's place now, the map pixel under the GPS
// position its camera recorded, the distance between the two on the ground
// and the recorded accuracy; the ticked rows move to their GPS place, all in
// one step that undo takes back. Rows that cannot move say why.
class TPlaatsOvernemenForm : public TakeFromCamerasDialog
{
    Q_OBJECT
public:
    TPlaatsOvernemenForm(ProjectHost &host, MapCommands &map, PhotoMetadataCache &metadata, QWidget *parent = nullptr);

    // positions: the photos by their place in the position list; empty
    // means every photo. Accepted when places were changed.
    int Execute(const QList<qsizetype> &positions);

    static QString Caption() { return QStringLiteral("Plaats uit foto's overnemen"); }
    static QString NoGeoreferenceText();

private:
    bool Fill(const QList<qsizetype> &positions) override;
    QByteArray Taken(int row, const QByteArray &old) const override;

    MapCommands &m_map;
    QList<std::optional<QPoint>> m_gps; // by row: the map pixel under the GPS position
};
