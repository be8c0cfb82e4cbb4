#include "gui/info/TConfigGegevensForm.h"

#include "gui/platform/PrinterQuery.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/DialogParts.h"
#include "gui/widgets/VisualThemes.h"

#include <QAction>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

namespace {

// A clipboard with a sheet on it, for the copy button.
QIcon CopyIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(96, 64, 32));
    p.setBrush(QColor(196, 148, 84));
    p.drawRect(2, 2, 11, 13);
    p.setPen(QColor(80, 80, 80));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(5, 1, 5, 2);
    p.setPen(QColor(90, 90, 90));
    p.setBrush(Qt::white);
    p.drawRect(4, 5, 7, 8);
    p.setPen(QColor(0, 0, 160));
    for (int y = 7; y <= 11; y += 2)
        p.drawLine(6, y, 9, y);
    return QIcon(pixmap);
}

} // namespace

TConfigGegevensForm::TConfigGegevensForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ConfigGegevensForm"));
    setWindowTitle(QStringLiteral("Configuration info"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(590, 366);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8)); // the font the window was laid out for
    setModal(false);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    GroupBox2 = new QGroupBox(this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(5, 5, 580, 316);

    Memo1 = new QPlainTextEdit(GroupBox2);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(10, 20, 541, 286);
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPalette memoPalette = Memo1->palette();
    memoPalette.setColor(QPalette::Base, memoPalette.color(QPalette::Button));
    Memo1->setPalette(memoPalette);

    SpeedButton1 = DialogParts::MakeToolButton(GroupBox2, "SpeedButton1", QStringLiteral("Copy to clipboard"),
                                               CopyIcon(), QRect(555, 20, 20, 20));
    SpeedButton1->setAccessibleName(QStringLiteral("Copy to clipboard"));
    connect(SpeedButton1, &QToolButton::clicked, this, &TConfigGegevensForm::SpeedButton1Click);

    Button1 = new QPushButton(QStringLiteral("&Close"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(510, 335, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &TConfigGegevensForm::Button1Click);

    ActionClose = new QAction(this);
    ActionClose->setObjectName(QStringLiteral("ActionClose"));
    ActionClose->setShortcut(QKeySequence(Qt::Key_Escape));
    ActionClose->setShortcutContext(Qt::WindowShortcut);
    connect(ActionClose, &QAction::triggered, this, &TConfigGegevensForm::Button1Click);
    addAction(ActionClose);

    m_report.SetPrinterQuery(&PrinterQuery::DefaultPrinter);
}

void TConfigGegevensForm::SetPrinterQuery(ConfigReport::PrinterQuery query)
{
    m_report.SetPrinterQuery(std::move(query));
}

void TConfigGegevensForm::SetSpeedQuery(ConfigReport::SpeedQuery query)
{
    m_report.SetSpeedQuery(std::move(query));
}

void TConfigGegevensForm::ShowConfigurationReport(const QString &appTitle, int major, int minor, int release, int build,
                                                  const QString &productVersion, bool logMarker,
                                                  const QString &configFolder)
{
    show();
    raise();
    activateWindow();
    BusyCursor busy;
    Memo1->clear();
    ConfigReportInputs inputs;
    inputs.appTitle = appTitle;
    inputs.major = major;
    inputs.minor = minor;
    inputs.release = release;
    inputs.build = build;
    inputs.productVersion = productVersion;
    inputs.logMarker = logMarker;
    inputs.configFolder = configFolder;
    inputs.FillFromProcess();
    inputs.themesEnabled = VisualThemesEnabled();
    Memo1->setPlainText(m_report.Build(inputs).join(QLatin1Char('\n')));
    Memo1->moveCursor(QTextCursor::Start);
    Button1->setFocus();
}

QString TConfigGegevensForm::ReportText() const
{
    return Memo1->toPlainText();
}

void TConfigGegevensForm::SpeedButton1Click()
{
    Memo1->setFocus();
    Memo1->selectAll();
    QGuiApplication::clipboard()->setText(Memo1->toPlainText());
}

void TConfigGegevensForm::Button1Click()
{
    done(1);
}

void TConfigGegevensForm::showEvent(QShowEvent *event)
{
    // Centred on its owner, else on the screen.
    const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    QRect area;
    if (owner && owner->isVisible())
        area = owner->frameGeometry();
    else if (const QScreen *s = screen())
        area = s->availableGeometry();
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
    QDialog::showEvent(event);
}
