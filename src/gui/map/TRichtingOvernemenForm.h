#pragma once

#include "gui/map/TakeFromCamerasDialog.h"

#include <QList>

#include <cstdint>
#include <optional>

class MapCommands;

// "&Richting uit foto's overnemen...": for the photos selected in the list
// (or all), a table of each photo's direction now and the direction its
// camera recorded, turned onto the map by its north arrow; the rows ticked
// take the camera's direction, all in one step that undo takes back.
class TRichtingOvernemenForm : public TakeFromCamerasDialog
{
    Q_OBJECT
public:
    TRichtingOvernemenForm(ProjectHost &host, MapCommands &map, PhotoMetadataCache &metadata,
                           QWidget *parent = nullptr);

    // positions: the photos by their place in the position list; empty
    // means every photo. Accepted when directions were changed.
    int Execute(const QList<qsizetype> &positions);

    // The smallest turn from one direction to another, -179 to 180.
    static int Difference(std::int32_t from, std::int32_t to);

    static QString Caption() { return QStringLiteral("Richting uit foto's overnemen"); }
    static QString NoNorthText();

private:
    bool Fill(const QList<qsizetype> &positions) override;
    QByteArray Taken(int row, const QByteArray &old) const override;

    MapCommands &m_map;
    QList<std::optional<std::int32_t>> m_camera; // by row: the direction the camera recorded
};
