#include "gui/map/TAlleFotoEigenschappenForm.h"

#include "core/base/ProgramTexts.h"
#include "core/base/TolvekError.h"
#include "core/project/PhotoEntry.h"
#include "core/project/PositionChange.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "core/project/ReplacePositionsEdit.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/DialogParts.h"
#include "gui/widgets/GeneralError.h"
#include "gui/widgets/HelpContexts.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <limits>

TAlleFotoEigenschappenForm::TAlleFotoEigenschappenForm(ProjectHost &host, QWidget *parent)
    : QDialog(parent),
      m_host(host)
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

    DialogParts::MakeHelpButton(this, 8, 138, HelpContexts::AllPhotos);
    Button1 = DialogParts::MakeOkButton(this, 112, 138);
    Button2 = DialogParts::MakeCancelButton(this, 193, 138);
    GeneralError::ConnectCommand(Button1, &QPushButton::clicked, this, &TAlleFotoEigenschappenForm::BitBtn1Click);
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
    const ProjectDocument &doc = m_host.Document();
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
    // Stopped at an entry that is not an integer, the entries before it are
    // changed all the same; the error is then reported instead of a redraw.
    m_host.Session().Perform(std::make_unique<ReplacePositionsEdit>(result.entries, !result.badEntry));
    if (result.badEntry)
        throw TolvekError::notValidInteger(result.badText);
    accept();
}
