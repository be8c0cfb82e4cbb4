#pragma once

#include "core/photos/MissingPhotoSearch.h"

#include <QDialog>
#include <QList>

class ProjectHost;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// "Ontbrekende foto's zoeken...": lists the photos whose files cannot be
// found, looks for files of the same names in a folder the user picks (and
// its sub-folders), and on OK gives those photos the found files' names.
// Cancel changes nothing; notes and positions are never touched.
class TOntbrekendeFotosForm : public QDialog
{
    Q_OBJECT
public:
    TOntbrekendeFotosForm(ProjectHost &host, QWidget *parent);

    // Looks for the missing photos; when there are none, says so instead
    // of showing the dialog.
    void Execute();

    QLabel *Label1 = nullptr;
    QTreeWidget *FotoLijst = nullptr;
    QLineEdit *MapEdit = nullptr;
    QPushButton *BladerenButton = nullptr;
    QPushButton *ZoekenButton = nullptr;
    QLabel *StatusLabel = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;

    static QString Caption() { return QStringLiteral("Ontbrekende foto's zoeken"); }
    static QString NotFoundText() { return QStringLiteral("niet gevonden"); }

public slots:
    void BladerenClick();
    void ZoekenClick();
    void BitBtn1Click();

private:
    void ShowFound();
    QString ProjectFolder() const;

    ProjectHost &m_host;
    QList<MissingPhotoSearch::Photo> m_missing;
};
