#pragma once

#include <QDialog>
#include <QList>
#include <QPoint>

#include <optional>

class MapCommands;
class PhotoMetadataCache;
class ProjectHost;
class QLabel;
class QPushButton;
class QTreeWidget;

// "&Plaats uit foto's overnemen...": for the photos selected in the list (or
// all), a table of each photo's place now, the map pixel under the GPS
// position its camera recorded, the distance between the two on the ground
// and the recorded accuracy; the ticked rows move to their GPS place, all in
// one step that undo takes back. Rows that cannot move say why.
class TPlaatsOvernemenForm : public QDialog
{
    Q_OBJECT
public:
    TPlaatsOvernemenForm(ProjectHost &host, MapCommands &map, PhotoMetadataCache &metadata, QWidget *parent = nullptr);

    // positions: the photos by their place in the position list; empty
    // means every photo. Accepted when places were changed.
    int Execute(const QList<qsizetype> &positions);

    static QString Caption() { return QStringLiteral("Plaats uit foto's overnemen"); }
    static QString NoGeoreferenceText();

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
        std::optional<QPoint> gps; // the map pixel under the GPS position
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
