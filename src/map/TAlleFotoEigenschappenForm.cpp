#include "map/TAlleFotoEigenschappenForm.h"

#include "map/PositionChange.h"
#include "project/PhotoEntry.h"
#include "project/ProjectDocument.h"
#include "project/ProjectHost.h"
#include "support/BusyCursor.h"
#include "support/DialogParts.h"
#include "support/GeneralError.h"
#include "support/MessageDialogs.h"
#include "support/ProgramTexts.h"
#include "support/TolvekError.h"
#include "support/UserInteraction.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <limits>

TAlleFotoEigenschappenForm::TAlleFotoEigenschappenForm(ProjectHost &host, QWidget *parent)
    : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("AlleFotoEigenschappenForm"));
    setWindowTitle(QStringLiteral("Eigenschappen alle foto's wijzigen"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    DialogParts::SetFixedClientSize(this, 276, 172);

    auto *group = new QGroupBox(QStringLiteral(" Posities alle foto's wijzigen: "), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    group->setGeometry(8, 4, 260, 124);

    RadioButton1 = new QRadioButton(QStringLiteral("&Verhogen/verlagen"), group);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setGeometry(12, 20, 200, 20);
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton(QStringLiteral("Ver&menigvuldigen"), group);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton2->setGeometry(12, 42, 200, 20);
    connect(RadioButton1, &QRadioButton::toggled, this, [this] { RadioButton1Click(); });

    auto spin = [group](const char *name, int y) {
        auto *s = new QSpinBox(group);
        s->setObjectName(QString::fromLatin1(name));
        s->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
        s->setValue(0);
        s->setGeometry(36, y, 110, 22);
        return s;
    };
    auto label = [group](const char *name, const QString &text, int x, int y) {
        auto *l = new QLabel(text, group);
        l->setObjectName(QString::fromLatin1(name));
        l->move(x, y);
        l->adjustSize();
        return l;
    };
    SpinEdit1 = spin("SpinEdit1", 68);
    SpinEdit2 = spin("SpinEdit2", 94);
    label("Label1", QStringLiteral("&X:"), 14, 72)->setBuddy(SpinEdit1);
    label("Label2", QStringLiteral("&Y:"), 14, 98)->setBuddy(SpinEdit2);
    Label3 = label("Label3", QStringLiteral("/ 1000"), 152, 72);
    Label4 = label("Label4", QStringLiteral("/ 1000"), 152, 98);
    Label3->hide();
    Label4->hide();

    DialogParts::MakeHelpButton(this, m_host, 8, 138);
    Button1 = DialogParts::MakeOkButton(this, 112, 138);
    Button2 = DialogParts::MakeCancelButton(this, 193, 138);
    connect(Button1, &QPushButton::clicked, this, [this] { GeneralError::Run([this] { BitBtn1Click(); }); });
}

int TAlleFotoEigenschappenForm::Execute()
{
    return UserInteraction::ExecModal(this);
}

void TAlleFotoEigenschappenForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Button1->setFocus();
}

void TAlleFotoEigenschappenForm::RadioButton1Click()
{
    const bool multiply = !RadioButton1->isChecked();
    Label3->setVisible(multiply);
    Label4->setVisible(multiply);
}

void TAlleFotoEigenschappenForm::BitBtn1Click()
{
    ProjectDocument &doc = m_host.Document();
    const auto mode = RadioButton1->isChecked() ? PositionChange::Mode::Shift : PositionChange::Mode::Multiply;
    PositionChange::Result result;
    {
        BusyCursor busy;
        result = PositionChange::Apply(doc.PositionList, mode, SpinEdit1->value(), SpinEdit2->value());
    }
    if (result.overflow) {
        // Wrapping around would scatter the photos; refuse and change nothing.
        MessageDialogs::ShowErrorMessage(
            ProgramTexts::AppTitle(), QString(),
            QStringLiteral("De posities zijn niet gewijzigd: foto %1 zou buiten het bereik van de co\u00f6rdinaten "
                           "komen (%2 tot en met %3). Kies een kleinere waarde.")
                .arg(QString::fromLatin1(PhotoEntry::KeyText(doc.PositionList[result.overflowIndex])))
                .arg(std::numeric_limits<int>::min())
                .arg(std::numeric_limits<int>::max()));
        return;
    }
    doc.PositionList = result.entries;
    if (result.badEntry)
        throw TolvekError::notValidInteger(result.badText);
    doc.Modified = true;
    m_host.UpdateMainWindowState();
    m_host.DrawMap();
    accept();
}
