#include "map/TKaartForm.h"

#include "platform/AnsiCodec.h"
#include "project/ProjectDocument.h"
#include "project/ProjectHost.h"
#include "support/DialogParts.h"
#include "support/GeneralError.h"
#include "support/UserInteraction.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

TKaartForm::TKaartForm(ProjectHost &host, QWidget *parent)
    : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("KaartForm"));
    setWindowTitle(QStringLiteral("Overzichtskaart"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    DialogParts::SetFixedClientSize(this, 390, 117);

    auto *group = new QGroupBox(QStringLiteral(" Bestand: "), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    group->setGeometry(8, 4, 374, 74);

    Edit1 = new QLineEdit(group);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(10, 20, 326, 21);
    connect(Edit1, &QLineEdit::textChanged, this, [this] { m_mapNameEdited = true; });

    SpeedButton1 = new QToolButton(group);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setToolTip(QStringLiteral("Zoeken..."));
    SpeedButton1->setIcon(QIcon::fromTheme(QStringLiteral("document-open"), style()->standardIcon(QStyle::SP_DirOpenIcon)));
    SpeedButton1->setGeometry(340, 19, 23, 23);
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { GeneralError::Run([this] { SpeedButton1Click(); }); });

    CheckBox1 = new QCheckBox(QStringLiteral("&Zonder pad-aanduiding"), group);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);
    CheckBox1->setGeometry(10, 47, 250, 20);
    // Only the user's click (not a change made by the program) applies it.
    connect(CheckBox1, &QCheckBox::clicked, this, [this] { CheckBox1Click(); });

    DialogParts::MakeHelpButton(this, m_host, 8, 86);
    Button1 = DialogParts::MakeOkButton(this, 226, 86);
    Button2 = DialogParts::MakeCancelButton(this, 307, 86);
    connect(Button1, &QPushButton::clicked, this, [this] { GeneralError::Run([this] { BitBtn1Click(); }); });
}

int TKaartForm::Execute()
{
    return UserInteraction::ExecModal(this);
}

void TKaartForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TKaartForm::FormActivate()
{
    Edit1->setText(AnsiCodec::toUnicode(m_host.Document().MapFileName));
    m_mapNameEdited = false;
    Button1->setFocus();
}

void TKaartForm::SpeedButton1Click()
{
    UserInteraction::FileRequest request;
    request.kind = UserInteraction::FileDialogKind::OpenPicture;
    request.parent = this;
    request.title = QStringLiteral("Achtergrondafbeelding");
    request.filter = QStringLiteral("Bitmap-afbeeldingen (*.bmp)|*.bmp");
    const auto chosen = UserInteraction::AskFile(request);
    if (!chosen)
        return;
    m_browsedMapPath = *chosen;
    CheckBox1Click();
}

void TKaartForm::CheckBox1Click()
{
    if (CheckBox1->isChecked())
        Edit1->setText(m_browsedMapPath.mid(m_browsedMapPath.lastIndexOf(QLatin1Char('/')) + 1));
    else
        Edit1->setText(m_browsedMapPath);
}

void TKaartForm::BitBtn1Click()
{
    if (!DialogParts::CheckStorable(Edit1, Edit1->text()))
        return;
    ProjectDocument &doc = m_host.Document();
    doc.MapFileName = AnsiCodec::fromUnicode(Edit1->text());
    if (m_mapNameEdited)
        doc.Modified = true;
    accept();
}
