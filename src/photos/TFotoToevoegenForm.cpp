#include "photos/TFotoToevoegenForm.h"

#include "photos/PhotoIcons.h"
#include "photos/PhotoPicture.h"
#include "platform/AnsiCodec.h"
#include "project/PhotoEntry.h"
#include "project/ProjectDocument.h"
#include "project/ProjectHost.h"
#include "support/BusyCursor.h"
#include "support/DialogParts.h"
#include "support/GeneralError.h"
#include "support/MessageDialogs.h"
#include "support/ProgramTexts.h"
#include "support/TextRoutines.h"
#include "support/TolvekError.h"
#include "support/UserInteraction.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>

namespace {

struct ClockPlace
{
    int left;
    int top;
    std::int32_t direction;
};

// Hours 1 to 12 around the dot: place in the group box and the direction
// written, (90 - 30 * hour) mod 360 degrees counter-clockwise from right.
constexpr ClockPlace kClock[12] = {
    {75, 25, 60},  {90, 40, 30},   {95, 60, 0},    {90, 80, 330},  {75, 95, 300},  {55, 100, 270},
    {35, 95, 240}, {20, 80, 210}, {15, 60, 180}, {20, 40, 150}, {35, 25, 120}, {55, 20, 90},
};

// The filled black dot in the middle of the clock face.
class Dot : public QFrame
{
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::black);
        p.setBrush(Qt::black);
        p.drawEllipse(QRectF(0.5, 0.5, width() - 1.0, height() - 1.0));
    }
};

QImage previewPicture(const QString &fileName, const QSize &box)
{
    try {
        const PhotoPicture picture = PhotoPicture::Load(fileName);
        const QSize shown = picture.Size().scaled(box, Qt::KeepAspectRatio).boundedTo(picture.Size());
        return picture.Scaled(shown.expandedTo(QSize(1, 1)));
    } catch (const TolvekError &) {
        return QImage();
    }
}

} // namespace

TFotoToevoegenForm::TFotoToevoegenForm(ProjectHost &host, QWidget *parent)
    : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("FotoToevoegenForm"));
    setWindowTitle(QStringLiteral("Foto toevoegen"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    DialogParts::SetFixedClientSize(this, 416, 247);

    GroupBox1 = new QGroupBox(QStringLiteral(" Positie: "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 6, 272, 121);
    auto spin = [this](const char *name, int y) {
        auto *s = new QSpinBox(GroupBox1);
        s->setObjectName(QString::fromLatin1(name));
        s->setRange(0, 999999999);
        s->setValue(0);
        s->setGeometry(40, y, 100, 22);
        return s;
    };
    xSpinEdit = spin("xSpinEdit", 22);
    ySpinEdit = spin("ySpinEdit", 52);
    Label1 = new QLabel(QStringLiteral("X:"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(14, 22, 24, 22);
    Label1->setBuddy(xSpinEdit);
    Label2 = new QLabel(QStringLiteral("Y:"), GroupBox1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(14, 52, 24, 22);
    Label2->setBuddy(ySpinEdit);
    SpeedButton2 = new QPushButton(PhotoIcons::Get("find-location", QStyle::SP_ArrowDown),
                                   QStringLiteral("&Positie bepalen op kaart"), GroupBox1);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setAutoDefault(false);
    SpeedButton2->setIconSize(QSize(16, 16));
    // Designed 146 wide; the text and its picture need a little more here.
    SpeedButton2->setGeometry(14, 86, std::max(146, SpeedButton2->sizeHint().width()), 22);

    GroupBox3 = new QGroupBox(QStringLiteral(" Richting van foto: "), this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    GroupBox3->setGeometry(288, 6, 120, 121);
    Shape1 = new Dot(GroupBox3);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(55, 60, 15, 15);
    for (int hour = 1; hour <= 12; ++hour) {
        auto *r = new QRadioButton(GroupBox3);
        r->setObjectName(QStringLiteral("RadioButton%1").arg(hour));
        r->setGeometry(kClock[hour - 1].left, kClock[hour - 1].top, 16, 17);
        r->setToolTip(QStringLiteral("%1 uur").arg(hour));
        RadioButtons[std::size_t(hour - 1)] = r;
    }
    RadioButtons[11]->setChecked(true);

    GroupBox2 = new QGroupBox(QStringLiteral(" Bestandsnaam foto: "), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(8, 133, 400, 74);
    Edit3 = new QLineEdit(GroupBox2);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    Edit3->setGeometry(8, 20, 361, 22);
    SpeedButton1 = new QToolButton(GroupBox2);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setToolTip(QStringLiteral("Zoeken..."));
    SpeedButton1->setIcon(PhotoIcons::Get("document-open", QStyle::SP_DirOpenIcon));
    SpeedButton1->setIconSize(QSize(16, 16));
    SpeedButton1->setGeometry(371, 19, 24, 24);
    CheckBox1 = new QCheckBox(QStringLiteral("&Zonder pad-aanduiding"), GroupBox2);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);
    CheckBox1->move(8, 48);
    CheckBox1->adjustSize();
    CheckBox2 = new QCheckBox(QStringLiteral("Foto &tonen in zoek-venster"), GroupBox2);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setChecked(true);
    CheckBox2->move(190, 48);
    CheckBox2->adjustSize();

    HelpSpeedButton = DialogParts::MakeHelpButton(this, m_host, 8, 215);
    Button1 = DialogParts::MakeOkButton(this, 252, 215);
    Button2 = DialogParts::MakeCancelButton(this, 333, 215);

    // Spin edits, direction buttons, file name (with its browse button),
    // check boxes, OK, Annuleren.
    QList<QWidget *> order{xSpinEdit, ySpinEdit};
    for (QRadioButton *r : RadioButtons)
        order << r;
    order << Edit3 << SpeedButton1 << CheckBox1 << CheckBox2 << Button1 << Button2;
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
    SpeedButton2->setFocusPolicy(Qt::NoFocus);
    HelpSpeedButton->setFocusPolicy(Qt::NoFocus);

    connect(SpeedButton2, &QPushButton::clicked, this, &TFotoToevoegenForm::SpeedButton2Click);
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { GeneralError::Run([this] { SpeedButton1Click(); }); });
    connect(CheckBox1, &QCheckBox::clicked, this, &TFotoToevoegenForm::CheckBox1Click);
    connect(Button1, &QPushButton::clicked, this, [this] { GeneralError::Run([this] { BitBtn1Click(); }); });
}

void TFotoToevoegenForm::Toevoegen1Click()
{
    xSpinEdit->setValue(0);
    ySpinEdit->setValue(0);
    Edit3->clear();
    BrowsedPhotoPath.clear();
    UserInteraction::ExecModal(this);
}

void TFotoToevoegenForm::ShowWithPickedPosition(std::int32_t x, std::int32_t y)
{
    xSpinEdit->setValue(x);
    ySpinEdit->setValue(y);
    UserInteraction::ExecModal(this);
}

void TFotoToevoegenForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TFotoToevoegenForm::FormActivate()
{
    m_host.SetAddPickMode(false);
    Button1->setFocus();
}

std::int32_t TFotoToevoegenForm::SelectedDirection() const
{
    for (int hour = 1; hour <= 12; ++hour)
        if (RadioButtons[std::size_t(hour - 1)]->isChecked())
            return kClock[hour - 1].direction;
    return 90;
}

QString TFotoToevoegenForm::FileNamePart(const QString &path)
{
    const qsizetype cut = std::max({path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')),
                                    path.lastIndexOf(QLatin1Char(':'))});
    return path.mid(cut + 1);
}

std::int32_t TFotoToevoegenForm::SpinValue(const QSpinBox *spin)
{
    // A text that is not a whole number counts as 0.
    std::int32_t value = 0;
    if (!TextRoutines::TryStrToInt(spin->cleanText().toLatin1(), value))
        return 0;
    return value;
}

void TFotoToevoegenForm::SpeedButton2Click()
{
    reject();
    m_host.SetAddPickMode(true);
}

void TFotoToevoegenForm::SpeedButton1Click()
{
    UserInteraction::FileRequest request;
    request.kind = CheckBox2->isChecked() ? UserInteraction::FileDialogKind::OpenPicture
                                          : UserInteraction::FileDialogKind::Open;
    request.parent = this;
    request.title = QStringLiteral("Zoek foto");
    request.filter = PhotoFilter();
    if (request.kind == UserInteraction::FileDialogKind::OpenPicture)
        request.preview = previewPicture;
    const std::optional<QString> chosen = UserInteraction::AskFile(request);
    // The file dialog may have changed the current folder.
    m_host.EnterProjectFolder();
    if (!chosen)
        return;
    BrowsedPhotoPath = *chosen;
    CheckBox1Click();
}

void TFotoToevoegenForm::CheckBox1Click()
{
    Edit3->setText(CheckBox1->isChecked() ? FileNamePart(BrowsedPhotoPath) : BrowsedPhotoPath);
}

void TFotoToevoegenForm::BitBtn1Click()
{
    const std::int32_t x = SpinValue(xSpinEdit);
    const std::int32_t y = SpinValue(ySpinEdit);
    if (Edit3->text().isEmpty() || x == 0 || y == 0) {
        MessageDialogs::ShowErrorMessage(
            ProgramTexts::AppTitle(), QString(),
            QStringLiteral("Geen bestandsnaam opgegeven of onjuiste positie (positie mag niet 0,0 zijn)."),
            QStringLiteral("&OK"));
        return;
    }
    if (!DialogParts::CheckStorable(Edit3, Edit3->text()))
        return;
    ProjectDocument &doc = m_host.Document();
    bool added = false;
    {
        BusyCursor busy;
        const std::int32_t key = PhotoEntry::NextKey(doc);
        if (key != 0) {
            const QByteArray keyText = PhotoEntry::KeyTextFor(key);
            doc.PositionList.append(PhotoEntry::MakePosition(keyText, x, y, SelectedDirection()));
            doc.NameList.append(keyText + '=' + AnsiCodec::fromUnicode(Edit3->text()));
            doc.NotesList.append(keyText + '=' + ProjectDocument::NewPhotoNotes());
            doc.Modified = true;
            m_host.UpdateMainWindowState();
            added = true;
        }
    }
    if (!added) {
        // Keys have five digits; a sixth would not be read back correctly.
        MessageDialogs::ShowErrorMessage(
            ProgramTexts::AppTitle(), QString(),
            QStringLiteral("Er kan geen foto meer worden toegevoegd: het hoogste fotonummer (99999) is al in "
                           "gebruik. Verwijder eerst de foto met nummer 99999."),
            QStringLiteral("&OK"));
        return;
    }
    m_host.DrawMap();
    accept();
}
