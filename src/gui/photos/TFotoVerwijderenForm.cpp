#include "gui/photos/TFotoVerwijderenForm.h"

#include "core/platform/AnsiCodec.h"
#include "core/project/DeletePhotoEdit.h"
#include "core/project/ProjectSession.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/DialogParts.h"
#include "gui/widgets/GeneralError.h"
#include "gui/widgets/HelpContexts.h"
#include "gui/widgets/ThemeIcons.h"
#include "gui/widgets/UserInteraction.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

TFotoVerwijderenForm::TFotoVerwijderenForm(ProjectHost &host, QWidget *parent) : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("FotoVerwijderenForm"));
    setWindowTitle(QStringLiteral("Foto verwijderen"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    DialogParts::SetFixedClientSize(this, 345, 191);

    GroupBox1 = new QGroupBox(QStringLiteral(" Positie foto: "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 6, 329, 52);
    GroupBox1->setFocusPolicy(Qt::TabFocus);
    SpeedButton1 =
        new QPushButton(ThemeIcons::Get("find-location", QStyle::SP_ArrowDown),
                        QStringLiteral("Klik hier en &selecteer te verwijderen foto op kaart   "), GroupBox1);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setAutoDefault(false);
    SpeedButton1->setIconSize(QSize(16, 16));
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setGeometry(6, 22, 316, 22);

    GroupBox2 = new QGroupBox(QStringLiteral(" Bestandsnaam geselecteerde foto: "), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(8, 64, 329, 86);
    Label1 = new QLabel(GroupBox2);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(10, 20, 309, 18);
    Label1->setTextFormat(Qt::PlainText);
    QPalette blue = Label1->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    Label1->setPalette(blue);
    Label2 = new QLabel(QStringLiteral("NB. Alleen de verwijzing naar het bestand wordt verwijderd, het"), GroupBox2);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(10, 44);
    Label2->adjustSize();
    Label3 = new QLabel(QStringLiteral("bestand zelf niet."), GroupBox2);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->move(10, 60);
    Label3->adjustSize();

    HelpSpeedButton = DialogParts::MakeHelpButton(this, 8, 158, HelpContexts::DeletePhoto);
    HelpSpeedButton->setFocusPolicy(Qt::NoFocus);
    Button1 = DialogParts::MakeOkButton(this, 181, 158);
    Button1->setText(QStringLiteral("&Verwijderen"));
    Button2 = DialogParts::MakeCancelButton(this, 262, 158);
    setTabOrder(GroupBox1, Button1);
    setTabOrder(Button1, Button2);

    connect(SpeedButton1, &QPushButton::clicked, this, &TFotoVerwijderenForm::SpeedButton1Click);
    GeneralError::ConnectCommand(Button1, &QPushButton::clicked, this, &TFotoVerwijderenForm::BitBtn1Click);
}

void TFotoVerwijderenForm::Verwijderen1Click()
{
    Label1->clear();
    SelectedPhotoKey.clear();
    UserInteraction::ExecModal(this);
}

void TFotoVerwijderenForm::ShowWithPickedPhoto(const QByteArray &fileName, const QByteArray &keyText)
{
    Label1->setText(AnsiCodec::toUnicode(fileName));
    SelectedPhotoKey = keyText;
    UserInteraction::ExecModal(this);
}

void TFotoVerwijderenForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TFotoVerwijderenForm::FormActivate()
{
    m_host.SetDeletePickMode(false);
    GroupBox1->setFocus();
    Button1->setEnabled(false);
    // A photo is picked when its key is known; its file name may be empty.
    if (PhotoPicked()) {
        Button1->setEnabled(true);
        Button1->setFocus();
    }
}

void TFotoVerwijderenForm::SpeedButton1Click()
{
    reject();
    m_host.SetDeletePickMode(true);
}

void TFotoVerwijderenForm::BitBtn1Click()
{
    if (!PhotoPicked())
        return;
    {
        BusyCursor busy;
        m_host.Session().Perform(std::make_unique<DeletePhotoEdit>(SelectedPhotoKey));
    }
    accept();
}
