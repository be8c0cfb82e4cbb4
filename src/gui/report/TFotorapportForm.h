#pragma once

#include "core/report/ReportContent.h"
#include "core/report/ReportOptions.h"

#include <QDialog>
#include <QHash>
#include <QImage>
#include <QList>
#include <QTimer>
#include <memory>
#include <optional>

class ProjectHost;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class ReportLayout;
struct MapScene;

// "Fotorapport...": the choices for the photo report beside a preview of
// its pages, which follows every change. The choices are remembered
// between runs (title and author per project); "Opslaan als PDF..." asks
// for the file and writes it.
class TFotorapportForm : public QDialog
{
    Q_OBJECT
public:
    // The photos the list has selected and those its filter shows (both in
    // list order; filtered empty: no filter).
    TFotorapportForm(ProjectHost &host, const MapScene &scene, const QList<qsizetype> &selected,
                     const QList<qsizetype> &filtered, QWidget *parent);
    ~TFotorapportForm() override;

    // The choices as they stand.
    ReportOptions Options() const;
    // The photos they pick, in the chosen order.
    QList<qsizetype> ChosenPositions() const;

    QRadioButton *AlleRadio = nullptr;
    QRadioButton *SelectieRadio = nullptr;
    QRadioButton *FilterRadio = nullptr;
    QComboBox *VolgordeCombo = nullptr;
    QComboBox *IndelingCombo = nullptr;
    QCheckBox *NaastCheck = nullptr;
    QComboBox *PapierCombo = nullptr;
    QCheckBox *LiggendCheck = nullptr;
    QCheckBox *KaartjesCheck = nullptr;
    QComboBox *KwaliteitCombo = nullptr;
    QLineEdit *TitelEdit = nullptr;
    QLineEdit *AuteurEdit = nullptr;
    QLabel *Voorbeeld = nullptr;
    QLabel *PaginaLabel = nullptr;
    QPushButton *VorigeButton = nullptr;
    QPushButton *VolgendeButton = nullptr;
    QPushButton *OpslaanButton = nullptr;
    QPushButton *SluitenButton = nullptr;

    static QString Caption() { return QStringLiteral("Fotorapport"); }

    // The pages as the preview shows them now.
    int PageCount() const;
    int ShownPage() const { return m_page; }

public slots:
    void OpslaanClick();

private:
    void LoadSettings();
    void SaveSettings() const;
    void ChoicesChanged();
    void Relayout();
    void ShowPage(int page);
    QString ProjectKey() const;

    ProjectHost &m_host;
    const MapScene &m_scene;
    QList<qsizetype> m_selected;
    QList<qsizetype> m_filtered;
    std::unique_ptr<ReportLayout> m_layout;
    QHash<QString, QImage> m_previewPhotos; // path and size -> fitted photo
    std::optional<double> m_north;
    ReportContent::TimeSource m_times;
    QTimer m_relayout;
    int m_page = 0;
};
