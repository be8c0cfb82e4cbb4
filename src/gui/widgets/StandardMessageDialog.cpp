#include "gui/widgets/StandardMessageDialog.h"

#include "core/base/MessageButtonRow.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

using namespace MessageDialogs;

namespace {

constexpr int ButtonCount = 11;
constexpr int IconSize = 32;

// QLabel wraps plain text with exactly these flags, so a label given this
// size shows all of its text.
constexpr int LabelFlags = Qt::AlignLeft | Qt::TextExpandTabs | Qt::TextWordWrap;

int MulDiv(int number, int numerator, int denominator)
{
    const long long product = static_cast<long long>(number) * numerator;
    return static_cast<int>((product + denominator / 2) / denominator);
}

// The caller's caption for a button, chosen by its result code as the
// buttons carry no other identity once they are made (Help: result 0).
QString CallerCaption(const QStringList &captions, int result, const QString &name)
{
    static const int indexOfResult[] = {
        -1, OK, Cancel, Abort, Retry, Ignore, Yes, No, All, NoToAll, YesToAll,
    };
    int index = -1;
    if (result == ResultNone) {
        if (name.compare(QLatin1String("Help"), Qt::CaseInsensitive) == 0)
            index = Help;
    } else if (result > 0 && result <= ResultYesToAll) {
        index = indexOfResult[result];
    }
    return index >= 0 && index < captions.size() ? captions.at(index) : QString();
}

// A caption as drawn: "&&" is an ampersand, a single "&" marks the mnemonic.
QString PlainCaption(const QString &caption)
{
    QString plain;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) != QLatin1Char('&'))
            plain += caption.at(i);
        else if (i + 1 < caption.size())
            plain += caption.at(++i);
    }
    return plain;
}

} // namespace

QString StandardMessageDialog::StandardCaption(DialogButton button)
{
    static const char *const captions[ButtonCount] = {
        "&Yes", "&No", "OK", "Cancel", "&Abort", "&Retry", "&Ignore", "&All", "N&o to All", "Yes to &All", "&Help",
    };
    return button < ButtonCount ? QString::fromLatin1(captions[button]) : QString();
}

QString StandardMessageDialog::ButtonName(DialogButton button)
{
    static const char *const names[ButtonCount] = {
        "Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore", "All", "NoToAll", "YesToAll", "Help",
    };
    return button < ButtonCount ? QString::fromLatin1(names[button]) : QString();
}

int StandardMessageDialog::ResultCode(DialogButton button)
{
    static const int results[ButtonCount] = {
        ResultYes,    ResultNo,  ResultOK,      ResultCancel,   ResultAbort, ResultRetry,
        ResultIgnore, ResultAll, ResultNoToAll, ResultYesToAll, ResultNone,
    };
    return button < ButtonCount ? results[button] : ResultNone;
}

QString StandardMessageDialog::KindTitle(MessageKind kind)
{
    switch (kind) {
    case Warning:
        return QStringLiteral("Warning");
    case Error:
        return QStringLiteral("Error");
    case Information:
        return QStringLiteral("Information");
    case Confirmation:
        return QStringLiteral("Confirm");
    }
    return QString();
}

StandardMessageDialog::StandardMessageDialog(const QString &message, MessageKind kind, DialogButtonSet buttons,
                                             DialogButton defaultButton, QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("MessageDialog"));
    setWindowTitle(KindTitle(kind));
    setSizeGripEnabled(false);

    // Dialog units: a quarter of the font's average character width across,
    // an eighth of its height down.
    const QFontMetrics metrics(font());
    const int charWidth =
        (metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1)
        / 2;
    const int charHeight = metrics.height();
    const auto across = [charWidth](int units) { return MulDiv(units, charWidth, 4); };
    const auto down = [charHeight](int units) { return MulDiv(units, charHeight, 8); };
    const int marginX = across(8);
    const int marginY = down(8);
    const int iconToText = across(10);
    const int textToButtons = down(10);
    const int buttonGap = across(4);
    const int buttonHeight = down(14);

    QStyle::StandardPixmap iconKind = QStyle::SP_CustomBase;
    switch (kind) {
    case Warning:
        iconKind = QStyle::SP_MessageBoxWarning;
        break;
    case Error:
        iconKind = QStyle::SP_MessageBoxCritical;
        break;
    case Information:
        iconKind = QStyle::SP_MessageBoxInformation;
        break;
    case Confirmation:
        iconKind = QStyle::SP_MessageBoxQuestion;
        break;
    }
    const bool hasIcon = iconKind != QStyle::SP_CustomBase;
    if (hasIcon) {
        m_iconLabel = new QLabel(this);
        m_iconLabel->setObjectName(QStringLiteral("Icon"));
        m_iconLabel->setPixmap(style()->standardIcon(iconKind, nullptr, this).pixmap(IconSize, IconSize));
        m_iconLabel->setGeometry(marginX, marginY, IconSize, IconSize);
    }

    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const int maxTextWidth = qMax(IconSize, (screen ? screen->geometry().width() : 800) / 2);
    const QString shown = ShownText(message);
    // A word longer than half the screen widens the text rather than being cut.
    const QSize textSize = metrics.boundingRect(QRect(0, 0, maxTextWidth, 1 << 20), LabelFlags, shown).size();
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("Message"));
    m_message->setTextFormat(Qt::PlainText); // a file name with "<" is not markup
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_message->setText(shown);
    const int textLeft = hasIcon ? marginX + IconSize + iconToText : marginX;
    m_message->setGeometry(textLeft, marginY, textSize.width(), textSize.height());

    const int iconTextWidth = textLeft - marginX + textSize.width();
    const int iconTextHeight = hasIcon ? qMax(textSize.height(), IconSize) : textSize.height();

    int buttonWidth = across(50);
    QPushButton *defaultWidget = nullptr;
    for (int value = 0; value < ButtonCount; ++value) {
        const auto id = static_cast<DialogButton>(value);
        if (!(buttons & ButtonBit(id)))
            continue;
        auto *widget = new QPushButton(StandardCaption(id), this);
        widget->setObjectName(ButtonName(id));
        const Button button{widget, id, ResultCode(id)};
        m_buttons.append(button);
        connect(widget, &QPushButton::clicked, this, [this, button] { ButtonClicked(button); });
        buttonWidth = qMax(buttonWidth, metrics.horizontalAdvance(widget->text()) + 8);
        if (id == defaultButton)
            defaultWidget = widget;
    }
    const int count = static_cast<int>(m_buttons.size());
    const int rowWidth = count > 0 ? count * buttonWidth + (count - 1) * buttonGap : 0;
    const int clientWidth = qMax(iconTextWidth, rowWidth) + 2 * marginX;
    const int clientHeight = iconTextHeight + buttonHeight + textToButtons + 2 * marginY;
    const int buttonTop = iconTextHeight + marginY + textToButtons;
    const int rowLeft = (clientWidth - rowWidth) / 2;
    for (int k = 0; k < count; ++k)
        m_buttons[k].widget->setGeometry(rowLeft + k * (buttonWidth + buttonGap), buttonTop, buttonWidth, buttonHeight);
    setFixedSize(clientWidth, clientHeight);

    if (defaultWidget) {
        defaultWidget->setDefault(true);
        defaultWidget->setFocus();
    }
    for (DialogButton candidate : {Cancel, No, OK}) {
        if (m_escapeButton)
            break;
        for (const Button &button : std::as_const(m_buttons)) {
            if (button.id == candidate)
                m_escapeButton = button.widget;
        }
    }
}

void StandardMessageDialog::ApplyCaptions(const QStringList &captions)
{
    MessageButtonRow::Input input;
    if (!m_buttons.isEmpty()) {
        const QRect first = m_buttons.constFirst().widget->geometry();
        input.buttonHeight = first.height();
        input.rowTop = first.top();
        input.standardWidth = first.width();
    }
    QWidget *focused = focusWidget();

    const QFontMetrics metrics(font());
    for (const Button &button : std::as_const(m_buttons)) {
        const QString caption = CallerCaption(captions, button.result, button.widget->objectName());
        if (!caption.isEmpty() && caption != button.widget->text())
            button.widget->setText(caption);
        input.captionWidths.append(metrics.horizontalAdvance(button.widget->text()));
    }
    input.outerWidth = width();
    const MessageButtonRow row = MessageButtonRow::Layout(input);
    if (row.outerWidth != width())
        setFixedWidth(row.outerWidth);

    // White message area above a grey strip that holds the buttons. The strip
    // overhangs left and bottom so that only the bevel of its top edge shows.
    const QColor buttonFace = palette().color(QPalette::Button);
    QPalette dialogPalette = palette();
    dialogPalette.setColor(QPalette::Window, dialogPalette.color(QPalette::Base));
    setPalette(dialogPalette);

    m_strip = new QFrame(this);
    m_strip->setObjectName(QStringLiteral("ButtonStrip"));
    m_strip->setFrameShape(QFrame::Panel);
    m_strip->setFrameShadow(QFrame::Sunken);
    m_strip->setLineWidth(1);
    m_strip->setAutoFillBackground(true);
    QPalette stripPalette = m_strip->palette();
    stripPalette.setColor(QPalette::Window, buttonFace);
    m_strip->setPalette(stripPalette);
    m_strip->setGeometry(-row.spacing, row.rowTop, width() + row.spacing, height());
    m_strip->lower();
    m_strip->show();

    for (int k = 0; k < row.count; ++k) {
        QPushButton *widget = m_buttons[k].widget;
        const int buttonHeight = widget->height();
        widget->setParent(m_strip);
        widget->setGeometry(row.ButtonLeft(k), row.spacing, row.buttonWidth, buttonHeight);
        widget->raise();
        widget->show();
        // The width stops at three standard widths; a caption cut off there
        // can still be read in full from the tooltip.
        const QString shown = PlainCaption(widget->text());
        if (metrics.horizontalAdvance(shown) > row.buttonWidth - row.spacing)
            widget->setToolTip(shown);
    }

    if (focused)
        focused->setFocus();
}

void StandardMessageDialog::ButtonClicked(const Button &button)
{
    if (button.result == ResultNone) {
        if (button.widget->objectName().compare(QLatin1String("Help"), Qt::CaseInsensitive) == 0 && m_helpRequested)
            m_helpRequested();
        return;
    }
    done(button.result);
}

void StandardMessageDialog::reject()
{
    done(ResultCancel);
}

void StandardMessageDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // Escape stands for Cancel, else No, else OK; without those it does nothing.
        if (m_escapeButton)
            m_escapeButton->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
