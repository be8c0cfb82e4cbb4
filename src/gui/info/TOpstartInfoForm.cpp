#include "gui/info/TOpstartInfoForm.h"

#include "gui/info/ProgramArt.h"
#include "gui/info/SupportCommands.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"
#include "gui/widgets/VisualThemes.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int ClientWidth = 494;
constexpr int ClientHeight = 284;
constexpr int TopPanelHeight = 25;
const QColor DarkBlue(0, 0, 189);

QFont ArialPixels(int pixels, bool bold = false, bool underline = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

QLabel *MakeLabel(QWidget *parent, const char *name, int x, int y, const QFont &font, const QColor &colour)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText); // ampersands and angle brackets as typed
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->move(x, y);
    return label;
}

QWidget *MakePanel(QWidget *parent, const char *name, const QColor &colour)
{
    auto *panel = new QWidget(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    panel->setPalette(palette);
    return panel;
}

} // namespace

TOpstartInfoForm::TOpstartInfoForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("OpstartInfoForm"));
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    TopPanel = MakePanel(this, "TopPanel", palette().color(QPalette::Button));
    TopPanel->setGeometry(0, 0, ClientWidth, TopPanelHeight);
    TopPanel->hide();

    BackPanel = MakePanel(this, "BackPanel", QColor(0xc0, 0xc0, 0xc0));
    BackPanel->setGeometry(21, 1, 454, 264);
    BlueShape = new QFrame(BackPanel);
    BlueShape->setObjectName(QStringLiteral("BlueShape"));
    BlueShape->setFrameStyle(QFrame::Box | QFrame::Plain);
    BlueShape->setLineWidth(1);
    BlueShape->setGeometry(0, 0, 454, 264);

    WhitePanel = MakePanel(this, "WhitePanel", Qt::white);
    WhitePanel->setGeometry(22, 2, 452, 262);
    WhitePanel->setFocusPolicy(Qt::StrongFocus);

    LogoImage = new QLabel(WhitePanel);
    LogoImage->setObjectName(QStringLiteral("LogoImage"));
    LogoImage->setGeometry(87, 19, 111, 36);
    LogoImage->setPixmap(ProgramArt::LogoPixmap());

    IconImage = new QLabel(WhitePanel);
    IconImage->setObjectName(QStringLiteral("IconImage"));
    IconImage->setGeometry(20, 20, 48, 48);

    ntLabel8 = MakeLabel(WhitePanel, "ntLabel8", 88, 60, ArialPixels(35, true), Qt::black);
    ntLabel8->installEventFilter(this);
    ntLabel1 = MakeLabel(WhitePanel, "ntLabel1", 88, 105, ArialPixels(11), Qt::black);
    ntLabel2 = MakeLabel(WhitePanel, "ntLabel2", 88, 120, ArialPixels(11), Qt::black);
    ntLabel3 = MakeLabel(WhitePanel, "ntLabel3", 88, 135, ArialPixels(11, false, true), Qt::black);
    ntLabel3->setCursor(Qt::PointingHandCursor);
    ntLabel3->installEventFilter(this);
    ntLabel4 = MakeLabel(WhitePanel, "ntLabel4", 20, 173, ArialPixels(9), Qt::gray);
    ntLabel6 = MakeLabel(WhitePanel, "ntLabel6", 20, 190, ArialPixels(13, true), Qt::black);
    ntLabel7 = MakeLabel(WhitePanel, "ntLabel7", 20, 210, ArialPixels(13, true), Qt::black);
    ntLabel5 = MakeLabel(WhitePanel, "ntLabel5", 20, 232, ArialPixels(9), Qt::gray);

    HalfCircleImage = new QLabel(WhitePanel);
    HalfCircleImage->setObjectName(QStringLiteral("HalfCircleImage"));
    HalfCircleImage->setGeometry(0, 185, 26, 56);
    HalfCircleImage->setPixmap(ProgramArt::HalfCirclePixmap());

    Button1 = new QPushButton(QStringLiteral("&Sluiten"), WhitePanel);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(360, 20, 75, 25);
    Button1->hide();
    connect(Button1, &QPushButton::clicked, this, &TOpstartInfoForm::Button1Click);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &TOpstartInfoForm::Timer1Timer);

    FormCreate();
    Timer1->start(1800);
}

void TOpstartInfoForm::FormCreate()
{
    QPalette blue = BlueShape->palette();
    blue.setColor(QPalette::WindowText, DarkBlue);
    BlueShape->setPalette(blue);
    HalfCircleImage->resize(26, HalfCircleImage->height());
    HalfCircleImage->move(WhitePanel->width() - 26, HalfCircleImage->y());

    m_plainLayout = !VisualThemesEnabled();
    if (m_plainLayout) {
        // No border and no caption bar; a white strip above the framed panel.
        setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        setFixedSize(ClientWidth, ClientHeight + TopPanelHeight);
        QPalette whiteStrip = TopPanel->palette();
        whiteStrip.setColor(QPalette::Window, Qt::white);
        TopPanel->setPalette(whiteStrip);
        TopPanel->setGeometry(0, 0, width(), TopPanelHeight);
        TopPanel->show();
        BackPanel->move((width() - BackPanel->width()) / 2, BackPanel->y() + TopPanelHeight);
        WhitePanel->move((width() - WhitePanel->width()) / 2, WhitePanel->y() + TopPanelHeight);
    } else {
        // A dialog frame without system menu, close box or caption text.
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        setFixedSize(ClientWidth, ClientHeight);
    }

    IconImage->setPixmap(ProgramArt::ProgramIconPixmap(IconImage->width()));
}

void TOpstartInfoForm::SetTimerInterval(int milliseconds)
{
    Timer1->start(milliseconds);
}

void TOpstartInfoForm::PlaceLabel(QLabel *label, const QString &text, int maxWidth)
{
    // A text too long for the panel is shortened with "..." and shown whole
    // in its tool tip, rather than cut off at the edge.
    const QFontMetrics metrics(label->font());
    const QString shown =
        metrics.horizontalAdvance(text) > maxWidth ? metrics.elidedText(text, Qt::ElideRight, maxWidth) : text;
    label->setText(shown);
    label->setToolTip(shown == text ? QString() : text);
    label->adjustSize();
}

QString TOpstartInfoForm::FormatOne(const QString &format, const QString &value)
{
    QString text = format;
    const qsizetype at = text.indexOf(QLatin1String("%s"));
    if (at >= 0)
        text.replace(at, 2, value);
    return text;
}

int TOpstartInfoForm::ShowInfo(bool modal, const InfoScreenVersion &version, const QString &title,
                               const QString &versionFormat, const QString &lineText, const QString &webAddress,
                               const QString &photoSetCaption, const QString &bottomNote, const QString &organisation,
                               const QString &photoSetWebAddress, const QString &buildFormat)
{
    m_caption = title;
    m_productVersion = version.ProductVersion;
    m_webAddress = webAddress;
    m_buildFormat = buildFormat;

    setWindowTitle(QString());
    // Right of the title column the panel ends at 452; the lower labels stop
    // short of the half circle.
    const int rightColumn = WhitePanel->width() - 88 - 8;
    const int lowerColumn = HalfCircleImage->x() - 20 - 6;
    PlaceLabel(ntLabel8, title, rightColumn);
    const QString versionText = QStringLiteral("%1.%2.%3 build %4")
                                    .arg(version.Major)
                                    .arg(version.Minor)
                                    .arg(version.Release)
                                    .arg(version.Build);
    PlaceLabel(ntLabel1, FormatOne(versionFormat, versionText), rightColumn);
    PlaceLabel(ntLabel2, lineText, rightColumn);
    PlaceLabel(ntLabel3, webAddress, rightColumn);
    PlaceLabel(ntLabel4, photoSetCaption, lowerColumn);
    PlaceLabel(ntLabel5, bottomNote, lowerColumn);
    PlaceLabel(ntLabel6, organisation, lowerColumn);
    PlaceLabel(ntLabel7, photoSetWebAddress, lowerColumn);

    m_modal = modal;
    int result = 0;
    if (modal) {
        setModal(true);
        WhitePanel->setFocus();
        result = UserInteraction::ExecModal(this);
        m_modal = false;
    } else {
        setModal(false);
        show();
        WhitePanel->setFocus();
    }
    return result;
}

void TOpstartInfoForm::Timer1Timer()
{
    Timer1->stop();
    m_timerFired = true;
    // Shown on request in the meantime: leave it open, only offer the button.
    if (!m_modal) {
        hide();
        QCoreApplication::processEvents();
    }
    Button1->show();
}

void TOpstartInfoForm::Button1Click()
{
    done(1);
}

void TOpstartInfoForm::FormKeyPress()
{
    done(2);
}

void TOpstartInfoForm::ntLabel3Click()
{
    SupportCommands::OpenWebAddress(m_webAddress);
}

void TOpstartInfoForm::ntLabel8DblClick()
{
    MessageDialogs::ShowInfoMessage(m_caption, QString(), FormatOne(m_buildFormat, m_productVersion));
}

void TOpstartInfoForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        Button1Click(); // the close button answers Escape, also while hidden
        return;
    }
    // Any other typed character; Tab still moves between controls.
    if (!event->text().isEmpty() && event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab) {
        FormKeyPress();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TOpstartInfoForm::showEvent(QShowEvent *event)
{
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    QDialog::showEvent(event);
}

bool TOpstartInfoForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ntLabel8 && event->type() == QEvent::MouseButtonDblClick) {
        ntLabel8DblClick();
        return true;
    }
    if (watched == ntLabel3 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton
        && ntLabel3->rect().contains(static_cast<QMouseEvent *>(event)->position().toPoint())) {
        ntLabel3Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
