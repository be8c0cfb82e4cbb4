#include "gui/photos/TFotoToevoegenForm.h"

#include "core/base/ProgramTexts.h"
#include "core/base/TextRoutines.h"
#include "core/base/TolvekError.h"
#include "core/photos/PhotoFileCopy.h"
#include "core/photos/PhotoPicture.h"
#include "core/platform/AnsiCodec.h"
#include "core/project/AddPhotoEdit.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/BrowseFileRow.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/DialogParts.h"
#include "gui/widgets/GeneralError.h"
#include "gui/widgets/HelpContexts.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/ThemeIcons.h"
#include "gui/widgets/UserInteraction.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
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
    {75, 25, 60},  {90, 40, 30},  {95, 60, 0},   {90, 80, 330}, {75, 95, 300}, {55, 100, 270},
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

TFotoToevoegenForm::TFotoToevoegenForm(ProjectHost &host, QWidget *parent) : QDialog(parent), m_host(host)
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
    SpeedButton2 = new QPushButton(ThemeIcons::Get("find-location", QStyle::SP_ArrowDown),
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
    m_row = new BrowseFileRow(GroupBox2, {QRect(8, 20, 361, 22), QRect(371, 19, 24, 24), QRect(8, 48, 0, 0), "Edit3"},
                              &TFotoToevoegenForm::FileNamePart);
    Edit3 = m_row->Edit;
    SpeedButton1 = m_row->Button;
    CheckBox1 = m_row->WithoutFolder;
    CheckBox2 = new QCheckBox(QStringLiteral("Foto &tonen in zoek-venster"), GroupBox2);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setChecked(true);
    CheckBox2->move(190, 48);
    CheckBox2->adjustSize();

    HelpSpeedButton = DialogParts::MakeHelpButton(this, 8, 215, HelpContexts::AddPhoto);
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
    GeneralError::ConnectCommand(m_row, &BrowseFileRow::BrowseClicked, this, &TFotoToevoegenForm::SpeedButton1Click);
    GeneralError::ConnectCommand(Button1, &QPushButton::clicked, this, &TFotoToevoegenForm::BitBtn1Click);
}

void TFotoToevoegenForm::Toevoegen1Click()
{
    xSpinEdit->setValue(0);
    ySpinEdit->setValue(0);
    Edit3->clear();
    m_row->ClearBrowsedPath();
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
    const qsizetype cut = std::max(
        {path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char(':'))});
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
    request.kind =
        CheckBox2->isChecked() ? UserInteraction::FileDialogKind::OpenPicture : UserInteraction::FileDialogKind::Open;
    request.parent = this;
    request.title = QStringLiteral("Zoek foto");
    request.filter = PhotoFilter();
    request.folderKind = QStringLiteral("Fotos");
    if (request.kind == UserInteraction::FileDialogKind::OpenPicture)
        request.preview = previewPicture;
    const std::optional<QString> chosen = UserInteraction::AskFile(request);
    // The file dialog may have changed the current folder.
    m_host.Session().EnterProjectFolder();
    if (!chosen)
        return;
    m_row->SetBrowsedPath(*chosen);
}

const QString &TFotoToevoegenForm::BrowsedPhotoPath() const
{
    return m_row->BrowsedPath();
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
    QByteArray name = AnsiCodec::fromUnicode(Edit3->text());
    // A typed name is the user's business; a browsed one must lead back to
    // the photo, or its triangle would open nothing.
    if (m_row->NameFromBrowse() && !CheckBrowsedName(name))
        return;
    std::unique_ptr<AddPhotoEdit> edit;
    {
        BusyCursor busy;
        edit = AddPhotoEdit::Make(m_host.Document(), {{x, y, SelectedDirection(), name}});
    }
    if (!edit) {
        // Keys have five digits; a sixth would not be read back correctly.
        MessageDialogs::ShowErrorMessage(
            ProgramTexts::AppTitle(), QString(),
            QStringLiteral("Er kan geen foto meer worden toegevoegd: het hoogste fotonummer (99999) is al in "
                           "gebruik. Verwijder eerst de foto met nummer 99999."),
            QStringLiteral("&OK"));
        return;
    }
    m_host.Session().Perform(std::move(edit));
    accept();
}

bool TFotoToevoegenForm::CheckBrowsedName(QByteArray &name)
{
    const QString chosen = m_row->BrowsedPath();
    const QString folder = m_host.Document().ProjectFolder();
    if (PhotoFileCopy::Resolves(name, folder, chosen))
        return true;

    QString text =
        QStringLiteral("De naam \"%1\" leidt vanuit %2 niet naar de gekozen foto \"%3\": een klik op "
                       "het driehoekje zou de foto niet vinden.")
            .arg(Edit3->text(),
                 folder.isEmpty()
                     ? QStringLiteral("de huidige map")
                     : QStringLiteral("de projectmap \"%1\"").arg(QDir::toNativeSeparators(QDir::cleanPath(folder))),
                 QDir::toNativeSeparators(chosen));
    if (folder.isEmpty()) {
        // An untitled project has no folder to copy the photo to.
        text += QStringLiteral("\r\n\r\nHet project is nog niet opgeslagen en heeft dus nog geen projectmap. Sla de "
                               "naam op met het volledige pad, sla hem op zoals hij is, of ga terug.");
        const int answer =
            MessageDialogs::AskYesNoCancel(ProgramTexts::AppTitle(), QStringLiteral("Volledig pad opslaan?"), text,
                                           QStringLiteral("Met &volledig pad"), QStringLiteral("&Naam zo opslaan"),
                                           QStringLiteral("&Terug"), MessageDialogs::Yes);
        if (answer == MessageDialogs::ResultYes) {
            if (!DialogParts::CheckStorable(Edit3, chosen))
                return false;
            Edit3->setText(chosen);
            name = AnsiCodec::fromUnicode(chosen);
            return true;
        }
        return answer == MessageDialogs::ResultNo;
    }

    text += QStringLiteral("\r\n\r\nKopieer de foto naar de projectmap, sla de naam op zoals hij is, of ga terug.");
    const int answer = MessageDialogs::AskYesNoCancel(
        ProgramTexts::AppTitle(), QStringLiteral("Foto kopi\u00ebren naar de projectmap?"), text,
        QStringLiteral("&Kopi\u00ebren"), QStringLiteral("&Naam zo opslaan"), QStringLiteral("&Terug"),
        MessageDialogs::Yes);
    if (answer == MessageDialogs::ResultNo)
        return true;
    if (answer != MessageDialogs::ResultYes)
        return false;

    QString target;
    QString reason;
    PhotoFileCopy::Result result;
    {
        BusyCursor busy;
        result = PhotoFileCopy::CopyInto(chosen, folder, &target, &reason);
    }
    switch (result) {
    case PhotoFileCopy::Result::Copied:
    case PhotoFileCopy::Result::AlreadyThere:
        break;
    case PhotoFileCopy::Result::Occupied:
        MessageDialogs::ShowErrorMessage(
            ProgramTexts::AppTitle(), QString(),
            QStringLiteral("In de projectmap staat al een ander bestand \"%1\". De foto is niet gekopieerd en niet "
                           "toegevoegd.")
                .arg(QDir::toNativeSeparators(target)),
            QStringLiteral("&OK"));
        return false;
    case PhotoFileCopy::Result::Failed:
        MessageDialogs::ShowErrorMessage(ProgramTexts::AppTitle(), QString(),
                                         QStringLiteral("De foto kan niet naar \"%1\" worden gekopieerd: %2.")
                                             .arg(QDir::toNativeSeparators(target), reason),
                                         QStringLiteral("&OK"));
        return false;
    }
    const QString copiedName = QFileInfo(target).fileName();
    if (!DialogParts::CheckStorable(Edit3, copiedName))
        return false;
    Edit3->setText(copiedName);
    name = AnsiCodec::fromUnicode(copiedName);
    return true;
}
