#pragma once

#include <QByteArray>
#include <QDialog>
#include <QList>

#include <cstdint>
#include <optional>

class MapCommands;
class PhotoMetadataCache;
class ProjectHost;
class QLabel;
class QPushButton;
class QTreeWidget;

// "&Richting uit foto's overnemen...": for the photos selected in the list
// (or all), a table of each photo's direction now and the direction its
// camera recorded, turned onto the map by its north arrow; the rows ticked
// take the camera's direction, all in one step that undo takes back.
class TRichtingOvernemenForm : public QDialog
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

    QLabel *Label1 = nullptr;
    QTreeWidget *FotoLijst = nullptr;
    QPushButton *AllesButton = nullptr;
    QPushButton *NietsButton = nullptr;
    QPushButton *Button1 = nullptr; // OK
    QPushButton *Button2 = nullptr; // Annuleren

private:
    struct Row
    {
        qsizetype position = -1;
        std::optional<std::int32_t> current;
        std::optional<std::int32_t> camera;
    };

    // Reads what the cameras recorded and fills the table; false when the
    // user stopped the reading.
    bool Fill(const QList<qsizetype> &positions);
    void OkClick();
    void Tick(bool on);

    ProjectHost &m_host;
    MapCommands &m_map;
    PhotoMetadataCache &m_metadata;
    QList<Row> m_rows;
};
