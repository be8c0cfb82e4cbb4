#include "gui/platform/TaskDialog.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// The blue of the system task dialog's main instruction.
const QColor HeadlineColour(0x00, 0x33, 0x99);

// QLabel wraps plain text with exactly these flags, so a label given this
// size shows all of its text.
constexpr int LabelFlags = Qt::AlignLeft | Qt::TextExpandTabs | Qt::TextWordWrap;

QSize WrappedSize(const QFont &font, const QString &text, int maxWidth)
{
    return QFontMetrics(font).boundingRect(QRect(0, 0, maxWidth, 1 << 20), LabelFlags, text).size();
}

QLabel *NewTextLabel(QWidget *parent, const QString &name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText); // a file name with "<" is not markup
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

bool TaskDialog::Available()
{
    return true;
}

TaskDialog::TaskDialog(QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TaskDialog"));
    setSizeGripEnabled(false);

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->setSizeConstraint(QLayout::SetFixedSize);

    // White content area: icon beside headline and text.
    auto *content = new QWidget(this);
    content->setObjectName(QStringLiteral("Content"));
    content->setAutoFillBackground(true);
    QPalette contentPalette = content->palette();
    contentPalette.setColor(QPalette::Window, contentPalette.color(QPalette::Base));
    contentPalette.setColor(QPalette::WindowText, contentPalette.color(QPalette::Text));
    content->setPalette(contentPalette);
    auto *contentLayout = new QHBoxLayout(content);
    contentLayout->setContentsMargins(12, 14, 16, 16);
    contentLayout->setSpacing(12);

    m_iconLabel = new QLabel(content);
    m_iconLabel->setObjectName(QStringLiteral("Icon"));
    m_iconLabel->setFixedSize(32, 32);
    contentLayout->addWidget(m_iconLabel, 0, Qt::AlignTop);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(10);
    m_headline = NewTextLabel(content, QStringLiteral("Headline"));
    QFont headlineFont = font();
    if (headlineFont.pointSizeF() > 0)
        headlineFont.setPointSizeF(headlineFont.pointSizeF() * 4 / 3);
    else
        headlineFont.setPixelSize(headlineFont.pixelSize() * 4 / 3);
    headlineFont.setWeight(QFont::DemiBold);
    m_headline->setFont(headlineFont);
    QPalette headlinePalette = m_headline->palette();
    headlinePalette.setColor(QPalette::WindowText, HeadlineColour);
    m_headline->setPalette(headlinePalette);
    m_headline->hide();
    texts->addWidget(m_headline);
    m_message = NewTextLabel(content, QStringLiteral("Message"));
    texts->addWidget(m_message);
    texts->addStretch(1);
    contentLayout->addLayout(texts);
    // A wide button row widens the dialog; the texts stay at the left.
    contentLayout->addStretch(1);
    root->addWidget(content);

    auto *separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    root->addWidget(separator);

    // Grey footer with the buttons on the right.
    m_footer = new QFrame(this);
    m_footer->setObjectName(QStringLiteral("Footer"));
    m_footer->setAutoFillBackground(true);
    QPalette footerPalette = m_footer->palette();
    footerPalette.setColor(QPalette::Window, footerPalette.color(QPalette::Button));
    m_footer->setPalette(footerPalette);
    m_buttonLayout = new QHBoxLayout(m_footer);
    m_buttonLayout->setContentsMargins(12, 10, 12, 10);
    m_buttonLayout->setSpacing(8);
    m_buttonLayout->addStretch(1);
    root->addWidget(m_footer);

    SetMainIcon(MainIcon::Information);
}

void TaskDialog::SetMainInstruction(const QString &text)
{
    m_mainInstruction = text;
    m_headline->setText(text);
    m_headline->setVisible(!text.isEmpty());
}

void TaskDialog::SetContent(const QString &text)
{
    m_content = text;
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
}

void TaskDialog::SetMainIcon(MainIcon icon)
{
    m_icon = icon;
    QStyle::StandardPixmap pixmap = QStyle::SP_MessageBoxInformation;
    if (icon == MainIcon::Warning)
        pixmap = QStyle::SP_MessageBoxWarning;
    else if (icon == MainIcon::Error)
        pixmap = QStyle::SP_MessageBoxCritical;
    m_iconLabel->setPixmap(style()->standardIcon(pixmap, nullptr, this).pixmap(32, 32));
}

QPushButton *TaskDialog::AddButton(const QString &objectName, const QString &caption, int result, bool isDefault)
{
    auto *button = new QPushButton(caption, m_footer);
    button->setObjectName(objectName);
    // At least the width of the system's buttons, wider for a long caption.
    button->setMinimumWidth(qMax(button->sizeHint().width(), fontMetrics().averageCharWidth() * 12));
    connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
    m_buttonLayout->addWidget(button);
    if (isDefault) {
        button->setDefault(true);
        m_defaultButton = button;
    }
    return button;
}

void TaskDialog::Arrange()
{
    const QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    const int maxWidth = qMax(300, (screen ? screen->availableGeometry().width() : 800) / 2);

    // One column width for headline and text: as wide as the wider of them
    // needs, wrapped at half the screen, and not narrower than a usual box.
    int width = 260;
    if (!m_mainInstruction.isEmpty())
        width = qMax(width, WrappedSize(m_headline->font(), m_mainInstruction, maxWidth).width());
    if (!m_content.isEmpty())
        width = qMax(width, WrappedSize(m_message->font(), m_content, maxWidth).width());
    // A word longer than the column widens it rather than being cut off.
    m_headline->setFixedSize(width, WrappedSize(m_headline->font(), m_mainInstruction, width).height());
    m_message->setFixedSize(width, WrappedSize(m_message->font(), m_content, width).height());

    if (m_defaultButton)
        m_defaultButton->setFocus();
    adjustSize();
}

void TaskDialog::reject()
{
    done(DismissResult);
}
