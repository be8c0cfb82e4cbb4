#include "gui/project/TProjectGegForm.h"

#include "core/platform/AnsiCodec.h"
#include "core/project/ProjectDataEdit.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/DialogParts.h"
#include "gui/widgets/GeneralError.h"
#include "gui/widgets/HelpContexts.h"
#include "gui/widgets/UserInteraction.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TProjectGegForm::TProjectGegForm(ProjectHost &host, QWidget *parent) : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("ProjectGegForm"));
    setWindowTitle(QStringLiteral("Projectgegevens"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    DialogParts::SetFixedClientSize(this, 371, 342);

    auto edit = [this](QWidget *parent, const char *name, int x, int y, int w) {
        auto *e = new QLineEdit(parent);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(x, y, w, 21);
        connect(e, &QLineEdit::textChanged, this, [this] { m_edited = true; });
        return e;
    };
    auto label = [](QWidget *parent, const char *name, const QString &text, int x, int y, QWidget *buddy) {
        auto *l = new QLabel(text, parent);
        l->setObjectName(QString::fromLatin1(name));
        l->move(x, y);
        l->adjustSize();
        l->setBuddy(buddy);
        return l;
    };

    auto *group1 = new QGroupBox(QStringLiteral(" Fotobestand gemaakt door: "), this);
    group1->setObjectName(QStringLiteral("GroupBox1"));
    group1->setGeometry(6, 4, 359, 124);
    Edit1 = edit(group1, "Edit1", 120, 20, 231);
    Edit2 = edit(group1, "Edit2", 120, 46, 231);
    Edit3 = edit(group1, "Edit3", 120, 72, 231);
    label(group1, "Label1", QStringLiteral("O&rganisatie:"), 10, 23, Edit1);
    label(group1, "Label2", QStringLiteral("Bestandsnaam &logo:"), 10, 49, Edit2);
    label(group1, "Label3", QStringLiteral("&Internetadres:"), 10, 75, Edit3);
    auto *note =
        new QLabel(QStringLiteral("Logo wordt getoond op info-scherm in help-menu (met internet-link)"), group1);
    note->setObjectName(QStringLiteral("Label4"));
    note->setWordWrap(true);
    note->setGeometry(10, 98, 341, 22);

    auto *group2 = new QGroupBox(QStringLiteral(" Omschrijving fotobestand: "), this);
    group2->setObjectName(QStringLiteral("GroupBox2"));
    group2->setGeometry(6, 134, 359, 100);
    Edit4 = edit(group2, "Edit4", 9, 20, 341);
    Edit5 = edit(group2, "Edit5", 9, 46, 341);
    Edit6 = edit(group2, "Edit6", 9, 72, 341);

    auto *group3 = new QGroupBox(QStringLiteral(" Help voor gebruiker: "), this);
    group3->setObjectName(QStringLiteral("GroupBox3"));
    group3->setGeometry(6, 240, 359, 52);
    Edit7 = edit(group3, "Edit7", 9, 20, 341);

    DialogParts::MakeHelpButton(this, 8, 308, HelpContexts::ProjectData);
    Button1 = DialogParts::MakeOkButton(this, 208, 308);
    Button2 = DialogParts::MakeCancelButton(this, 290, 308);
    GeneralError::ConnectCommand(Button1, &QPushButton::clicked, this, &TProjectGegForm::BitBtn1Click);

    QWidget *order[] = {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Button1, Button2};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

int TProjectGegForm::Execute()
{
    return UserInteraction::ExecModal(this);
}

void TProjectGegForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TProjectGegForm::FormActivate()
{
    const ProjectDocument &doc = m_host.Document();
    Edit1->setText(AnsiCodec::toUnicode(doc.Organisation));
    Edit2->setText(AnsiCodec::toUnicode(doc.LogoFileName));
    Edit3->setText(AnsiCodec::toUnicode(doc.WebAddress));
    Edit4->setText(AnsiCodec::toUnicode(doc.Description1));
    Edit5->setText(AnsiCodec::toUnicode(doc.Description2));
    Edit6->setText(AnsiCodec::toUnicode(doc.Description3));
    Edit7->setText(AnsiCodec::toUnicode(doc.UserHelpText));
    m_edited = false;
    Button1->setFocus();
}

void TProjectGegForm::BitBtn1Click()
{
    // Nothing is stored unless every text can be kept in the data file.
    for (QLineEdit *e : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7})
        if (!DialogParts::CheckStorable(e, e->text()))
            return;

    const ProjectDataEdit::Fields fields{AnsiCodec::fromUnicode(Edit1->text()), AnsiCodec::fromUnicode(Edit2->text()),
                                         AnsiCodec::fromUnicode(Edit3->text()), AnsiCodec::fromUnicode(Edit4->text()),
                                         AnsiCodec::fromUnicode(Edit5->text()), AnsiCodec::fromUnicode(Edit6->text()),
                                         AnsiCodec::fromUnicode(Edit7->text())};
    m_host.Session().Perform(std::make_unique<ProjectDataEdit>(fields, m_edited));
    accept();
}
