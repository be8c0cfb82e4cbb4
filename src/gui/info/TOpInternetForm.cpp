#include "gui/info/TOpInternetForm.h"

#include "core/base/ProgramTexts.h"
#include "gui/info/SupportCommands.h"

#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

TOpInternetForm::TOpInternetForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("OpInternetForm"));
    setWindowTitle(QStringLiteral("Brimol @ internet"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(266, 166);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8)); // the font the window was laid out for
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(5, 5, 256, 121);

    auto makeLabel = [this](const char *name, int x, int y, const QString &text) {
        auto *label = new QLabel(text, GroupBox1);
        label->setObjectName(QString::fromLatin1(name));
        label->setTextFormat(Qt::PlainText);
        label->move(x, y);
        label->adjustSize();
        return label;
    };
    Label1 = makeLabel("Label1", 10, 15, ProgramTexts::WebInfoHeading());
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label2 = makeLabel("Label2", 10, 40, QStringLiteral("Van dit programma verschijnen regelmatig nieuwe"));
    Label3 = makeLabel("Label3", 10, 55, QStringLiteral("versies. Informatie over de meest actuele versie"));
    Label5 = makeLabel("Label5", 10, 70, QStringLiteral("is opgenomen op:"));
    Label4 = makeLabel("Label4", 10, 95, ProgramTexts::ProductWebAddress());
    QFont underlined = Label4->font();
    underlined.setUnderline(true);
    Label4->setFont(underlined);
    QPalette blue = Label4->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    Label4->setPalette(blue);
    Label4->setCursor(Qt::PointingHandCursor);
    Label4->installEventFilter(this);

    Button1 = new QPushButton(QStringLiteral("&Sluiten"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(185, 135, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, [this] { done(1); });
}

void TOpInternetForm::FormActivate()
{
    Label1->setText(ProgramTexts::WebInfoHeading());
    Label1->adjustSize();
    Label4->setText(ProgramTexts::ProductWebAddress());
    Label4->adjustSize();
}

void TOpInternetForm::Label4Click()
{
    SupportCommands::OpenWebAddress(ProgramTexts::ProductWebAddress());
}

void TOpInternetForm::showEvent(QShowEvent *event)
{
    FormActivate();
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    QDialog::showEvent(event);
}

bool TOpInternetForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label4 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton
        && Label4->rect().contains(static_cast<QMouseEvent *>(event)->position().toPoint())) {
        Label4Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TOpInternetForm::keyPressEvent(QKeyEvent *event)
{
    // Escape presses the close button.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Button1->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
