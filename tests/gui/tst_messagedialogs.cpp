#include "core/base/MessageButtonRow.h"
#include "gui/platform/TaskDialog.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/StandardMessageDialog.h"
#include "gui/widgets/UserInteraction.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtTest>

using namespace MessageDialogs;

namespace {

const QString Caption = QStringLiteral("Tolvek");
const QString SaveTitle = QStringLiteral("Bestand opslaan?");
const QString SaveText = QStringLiteral("Het project \"Zolder\" is gewijzigd. Wilt u de wijzigingen opslaan?");

// Answers the next modal dialog with `answer`. A dialog that the answer left
// open is closed with -99 so that a failing check cannot hang the test.
int Answered(const std::function<int()> &show, const std::function<void(QDialog *)> &answer)
{
    UserInteraction::SetModalHandler([&answer](QDialog *dialog) {
        answer(dialog);
        if (dialog->isVisible())
            dialog->done(-99);
    });
    const int result = show();
    UserInteraction::SetModalHandler({});
    return result;
}

// What a user does to a dialog: press a named button, Escape, Enter, or the
// close box.
void Act(QDialog *dialog, const QString &action)
{
    QWidget *focus = dialog->focusWidget() ? dialog->focusWidget() : dialog;
    if (action == QLatin1String("escape")) {
        QTest::keyClick(focus, Qt::Key_Escape);
    } else if (action == QLatin1String("enter")) {
        QTest::keyClick(focus, Qt::Key_Return);
    } else if (action == QLatin1String("close")) {
        dialog->close();
    } else {
        auto *button = dialog->findChild<QPushButton *>(action);
        QVERIFY2(button, qPrintable(action));
        button->click();
    }
}

QList<QPushButton *> ButtonsLeftToRight(QDialog *dialog)
{
    QList<QPushButton *> buttons = dialog->findChildren<QPushButton *>();
    std::sort(buttons.begin(), buttons.end(), [dialog](QPushButton *a, QPushButton *b) {
        return a->mapTo(dialog, QPoint()).x() < b->mapTo(dialog, QPoint()).x();
    });
    return buttons;
}

QStringList Names(const QList<QPushButton *> &buttons)
{
    QStringList names;
    for (QPushButton *button : buttons)
        names << button->objectName();
    return names;
}

QImage IconImage(QStyle::StandardPixmap kind)
{
    return QApplication::style()->standardIcon(kind).pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage LabelImage(QDialog *dialog)
{
    auto *icon = dialog->findChild<QLabel *>(QStringLiteral("Icon"));
    if (!icon)
        return QImage();
    return icon->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
}

// The caption's text as drawn (without the mnemonic marker) fits inside the
// button's content area.
bool CaptionFits(QPushButton *button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    QString shown = button->text();
    shown.remove(QLatin1Char('&'));
    return button->fontMetrics().horizontalAdvance(shown) <= contents.width();
}

// All of a label's text is inside the label at its width.
bool LabelFits(QLabel *label)
{
    return label->heightForWidth(label->width()) <= label->height()
        && label->fontMetrics()
               .boundingRect(QRect(0, 0, label->width(), 1 << 20),
                             Qt::AlignLeft | Qt::TextExpandTabs | Qt::TextWordWrap, label->text())
               .width()
        <= label->width();
}

} // namespace

class TestMessageDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void buttonRowArithmetic();
    void chooseImplementation();
    void wrapperResults_data();
    void wrapperResults();
    void titleAndText_data();
    void titleAndText();
    void lineBreaks();
    void okCaption();
    void dutchCaptionsAndDefault_data();
    void dutchCaptionsAndDefault();
    void wideCaptionWidensAllButtonsUpToThreeWidths();
    void buttonStripGeometryAndColours();
    void ownDialogEveryButton();
    void escapeButtonPrecedence();
    void helpButtonStaysOpen();
    void taskDialogHonoursOnlyFourButtons();
    void taskDialogWideCaption();
    void iconsByKind();
    void longTextIsNotClipped_data();
    void longTextIsNotClipped();
    void parentIsActiveWindow();

private:
    static void UseOwnDialog() { QApplication::setStyle(QStringLiteral("windows")); }
    static void UseTask() { QApplication::setStyle(QStringLiteral("fusion")); }
};

void TestMessageDialogs::init()
{
    UseTask();
}

void TestMessageDialogs::cleanup()
{
    UserInteraction::SetModalHandler({});
    SetHelpHandler({});
}

void TestMessageDialogs::buttonRowArithmetic()
{
    // Captions that fit keep the standard width; the row is centred with the
    // strip's offset folded into the first left.
    MessageButtonRow row = MessageButtonRow::Layout({23, 60, 75, {40, 50, 60}, 300});
    QCOMPARE(row.spacing, 7);
    QCOMPARE(row.rowTop, 60);
    QCOMPARE(row.count, 3);
    QCOMPARE(row.buttonWidth, 75);
    QCOMPARE(row.outerWidth, 300);
    QCOMPARE(row.firstLeft, (300 - (3 * 75 + 2 * 7)) / 2 + 3 + 1); // 34
    QCOMPARE(row.ButtonLeft(2), 34 + 2 * 82);

    // A wider caption sets the width to its own plus one spacing; a later one
    // only counts when it is wider than that.
    row = MessageButtonRow::Layout({23, 60, 75, {80, 85, 20}, 300});
    QCOMPARE(row.buttonWidth, 87);
    row = MessageButtonRow::Layout({23, 60, 75, {80, 90}, 300});
    QCOMPARE(row.buttonWidth, 97);

    // Never beyond three standard widths; the dialog widens to the row.
    row = MessageButtonRow::Layout({23, 60, 75, {400, 10, 10}, 300});
    QCOMPARE(row.buttonWidth, 225);
    QCOMPARE(row.outerWidth, (225 + 7) * 3 + 14);
    QCOMPARE(row.firstLeft, (row.outerWidth - (3 * 225 + 2 * 7)) / 2 + 3 + 1);

    // Exactly at the needed width the dialog stays as it is.
    row = MessageButtonRow::Layout({23, 60, 75, {10}, 96});
    QCOMPARE(row.outerWidth, 96);
    row = MessageButtonRow::Layout({23, 60, 75, {10}, 95});
    QCOMPARE(row.outerWidth, 96);

    // Odd differences truncate.
    row = MessageButtonRow::Layout({24, 0, 50, {10, 10}, 141});
    QCOMPARE(row.spacing, 8);
    QCOMPARE(row.outerWidth, 141);
    QCOMPARE(row.firstLeft, 16 + 4 + 1); // (141 - 108) / 2 truncated

    // Without buttons the measured values fall back to fixed ones.
    row = MessageButtonRow::Layout({23, 60, 75, {}, 200});
    QCOMPARE(row.spacing, 5);
    QCOMPARE(row.rowTop, 0);
    QCOMPARE(row.standardWidth, 50);
    QCOMPARE(row.count, 0);
    QCOMPARE(row.outerWidth, 200);
}

void TestMessageDialogs::chooseImplementation()
{
    QVERIFY(TaskDialogAvailable);
    QVERIFY(DetectTaskDialog());

    // The choice is made anew for every box.
    const char *const styles[] = {"fusion", "Windows", "fusion"};
    for (const char *style : styles) {
        QApplication::setStyle(QString::fromLatin1(style));
        const bool themes = qstricmp(style, "windows") != 0;
        QCOMPARE(UseTaskDialog(), themes);
        QString shownClass;
        Answered([] { return ShowInfoMessage(Caption, QString(), QStringLiteral("Klaar.")); },
                 [&shownClass](QDialog *dialog) {
                     shownClass = QString::fromLatin1(dialog->metaObject()->className());
                     Act(dialog, QStringLiteral("OK"));
                 });
        QCOMPARE(shownClass, QString::fromLatin1(themes ? "TaskDialog" : "StandardMessageDialog"));
    }
}

void TestMessageDialogs::wrapperResults_data()
{
    QTest::addColumn<bool>("own");
    QTest::addColumn<QString>("wrapper");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("expected");

    for (bool own : {false, true}) {
        const char *impl = own ? "own" : "task";
        for (const char *wrapper : {"info", "warning", "error"}) {
            QTest::addRow("%s %s OK", impl, wrapper) << own << wrapper << "OK" << 1;
            QTest::addRow("%s %s enter", impl, wrapper) << own << wrapper << "enter" << 1;
            // The own dialog's Escape presses its only button; the task dialog
            // is dismissed.
            QTest::addRow("%s %s escape", impl, wrapper) << own << wrapper << "escape" << (own ? 1 : 2);
            QTest::addRow("%s %s close box", impl, wrapper) << own << wrapper << "close" << 2;
        }
        QTest::addRow("%s ask Yes", impl) << own << "ask"
                                          << "Yes" << 6;
        QTest::addRow("%s ask No", impl) << own << "ask"
                                         << "No" << 7;
        QTest::addRow("%s ask Cancel", impl) << own << "ask"
                                             << "Cancel" << 2;
        QTest::addRow("%s ask escape", impl) << own << "ask"
                                             << "escape" << 2;
        QTest::addRow("%s ask close box", impl) << own << "ask"
                                                << "close" << 2;
        QTest::addRow("%s ask enter on default Yes", impl) << own << "ask"
                                                           << "enter" << 6;
    }
}

void TestMessageDialogs::wrapperResults()
{
    QFETCH(bool, own);
    QFETCH(QString, wrapper);
    QFETCH(QString, action);
    QFETCH(int, expected);

    if (own)
        UseOwnDialog();
    const std::function<int()> show = [&wrapper]() {
        const QString text = QStringLiteral("Het bestand \"kaart.bmp\" kan niet worden gelezen.");
        if (wrapper == QLatin1String("info"))
            return ShowInfoMessage(Caption, QString(), text);
        if (wrapper == QLatin1String("warning"))
            return ShowWarningMessage(Caption, QString(), text);
        if (wrapper == QLatin1String("error"))
            return ShowErrorMessage(Caption, QString(), text);
        return AskYesNoCancel(Caption, SaveTitle, SaveText, QString(), QString(), QString(), Yes);
    };
    QString title;
    bool rightClass = false;
    const int result = Answered(show, [&](QDialog *dialog) {
        title = dialog->windowTitle();
        rightClass = own ? qobject_cast<StandardMessageDialog *>(dialog) != nullptr
                         : qobject_cast<TaskDialog *>(dialog) != nullptr;
        Act(dialog, action);
    });
    QVERIFY(rightClass);
    QCOMPARE(title, Caption);
    QCOMPARE(result, expected);
}

void TestMessageDialogs::titleAndText_data()
{
    QTest::addColumn<bool>("own");
    QTest::newRow("task") << false;
    QTest::newRow("own") << true;
}

void TestMessageDialogs::titleAndText()
{
    QFETCH(bool, own);
    if (own)
        UseOwnDialog();

    for (const QString &title : {QString(), SaveTitle}) {
        QString message;
        bool headlineShown = false;
        QString headline;
        Answered([&] { return AskYesNoCancel(Caption, title, SaveText, QString(), QString(), QString(), Yes); },
                 [&](QDialog *dialog) {
                     auto *messageLabel = dialog->findChild<QLabel *>(QStringLiteral("Message"));
                     QVERIFY(messageLabel);
                     message = messageLabel->text();
                     auto *headlineLabel = dialog->findChild<QLabel *>(QStringLiteral("Headline"));
                     if (headlineLabel) {
                         headlineShown = headlineLabel->isVisible();
                         headline = headlineLabel->text();
                     }
                     Act(dialog, QStringLiteral("Cancel"));
                 });
        if (title.isEmpty()) {
            QCOMPARE(message, SaveText);
            QVERIFY(!headlineShown);
        } else if (own) {
            // Title, one blank line, then the text.
            QCOMPARE(message, SaveTitle + QLatin1String("\n\n") + SaveText);
            QVERIFY(!headlineShown);
        } else {
            QCOMPARE(message, SaveText);
            QVERIFY(headlineShown);
            QCOMPARE(headline, SaveTitle);
        }
    }
}

void TestMessageDialogs::lineBreaks()
{
    const QString text = QStringLiteral("Regel een\rRegel twee\r\nRegel drie");
    for (bool own : {false, true}) {
        if (own)
            UseOwnDialog();
        QString shown;
        int height = 0;
        int lineSpacing = 0;
        Answered([&] { return ShowWarningMessage(Caption, QString(), text); },
                 [&](QDialog *dialog) {
                     auto *label = dialog->findChild<QLabel *>(QStringLiteral("Message"));
                     QVERIFY(label);
                     shown = label->text();
                     height = label->height();
                     lineSpacing = label->fontMetrics().lineSpacing();
                     Act(dialog, QStringLiteral("OK"));
                 });
        QCOMPARE(shown, QStringLiteral("Regel een\nRegel twee\nRegel drie"));
        QVERIFY2(height >= 3 * lineSpacing - 1, qPrintable(QStringLiteral("%1 < 3 x %2").arg(height).arg(lineSpacing)));
    }
}

void TestMessageDialogs::okCaption()
{
    for (bool own : {false, true}) {
        if (own)
            UseOwnDialog();
        for (const QString &given : {QString(), QStringLiteral("&Sluiten")}) {
            QStringList captions;
            const int result =
                Answered([&] { return ShowInfoMessage(Caption, QString(), QStringLiteral("Klaar."), given); },
                         [&](QDialog *dialog) {
                             for (QPushButton *button : ButtonsLeftToRight(dialog))
                                 captions << button->text();
                             Act(dialog, QStringLiteral("OK"));
                         });
            QCOMPARE(result, 1);
            const QString expected = !given.isEmpty() ? given : own ? QStringLiteral("OK") : QStringLiteral("&OK");
            QCOMPARE(captions, QStringList{expected});
        }
    }
}

void TestMessageDialogs::dutchCaptionsAndDefault_data()
{
    QTest::addColumn<bool>("own");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<QString>("focused");
    for (bool own : {false, true}) {
        const char *impl = own ? "own" : "task";
        QTest::addRow("%s default Yes", impl) << own << int(Yes) << "Yes";
        QTest::addRow("%s default No", impl) << own << int(No) << "No";
        QTest::addRow("%s default Cancel", impl) << own << int(Cancel) << "Cancel";
    }
}

void TestMessageDialogs::dutchCaptionsAndDefault()
{
    QFETCH(bool, own);
    QFETCH(int, defaultButton);
    QFETCH(QString, focused);
    if (own)
        UseOwnDialog();

    const auto ask = [defaultButton] {
        return AskYesNoCancel(Caption, SaveTitle, SaveText, QStringLiteral("&Opslaan"), QStringLiteral("&Niet opslaan"),
                              QStringLiteral("&Annuleren"), static_cast<DialogButton>(defaultButton));
    };
    const QList<std::pair<QString, int>> answers = {
        {QStringLiteral("Yes"), 6},
        {QStringLiteral("No"), 7},
        {QStringLiteral("Cancel"), 2},
        {QStringLiteral("escape"), 2},
        {QStringLiteral("enter"),
         defaultButton == Yes      ? 6
             : defaultButton == No ? 7
                                   : 2},
    };
    for (const auto &[action, expected] : answers) {
        QStringList names;
        QStringList captions;
        QString focusName;
        bool isDefault = false;
        bool fits = true;
        const int result = Answered(ask, [&](QDialog *dialog) {
            const QList<QPushButton *> buttons = ButtonsLeftToRight(dialog);
            names = Names(buttons);
            for (QPushButton *button : buttons) {
                captions << button->text();
                fits = fits && CaptionFits(button);
            }
            if (auto *button = qobject_cast<QPushButton *>(dialog->focusWidget())) {
                focusName = button->objectName();
                isDefault = button->isDefault();
            }
            Act(dialog, action);
        });
        QCOMPARE(result, expected);
        QCOMPARE(names, (QStringList{"Yes", "No", "Cancel"}));
        QCOMPARE(captions, (QStringList{"&Opslaan", "&Niet opslaan", "&Annuleren"}));
        QVERIFY(fits);
        QCOMPARE(focusName, focused);
        QVERIFY(isDefault);
    }
}

void TestMessageDialogs::wideCaptionWidensAllButtonsUpToThreeWidths()
{
    UseOwnDialog();
    struct Seen
    {
        QList<int> widths;
        int height = 0;
        int dialogWidth = 0;
        int rightmost = 0;
        bool fits = true;
        QString firstCaption;
        QStringList toolTips;
        QFont font;
    };
    const auto look = [](const QString &yes) {
        Seen seen;
        Answered([&] { return AskYesNoCancel(Caption, SaveTitle, SaveText, yes, QString(), QString(), Yes); },
                 [&](QDialog *dialog) {
                     seen.dialogWidth = dialog->width();
                     seen.font = dialog->font();
                     const QList<QPushButton *> buttons = ButtonsLeftToRight(dialog);
                     for (QPushButton *button : buttons) {
                         seen.widths << button->width();
                         seen.height = button->height();
                         seen.rightmost = qMax(seen.rightmost, button->mapTo(dialog, QPoint(button->width(), 0)).x());
                         seen.fits = seen.fits && CaptionFits(button);
                         seen.toolTips << button->toolTip();
                     }
                     seen.firstCaption = buttons.value(0)->text();
                     Act(dialog, QStringLiteral("Cancel"));
                 });
        return seen;
    };

    // The standard captions fit the standard width.
    const Seen standard = look(QString());
    QCOMPARE(standard.widths.size(), 3);
    const int standardWidth = standard.widths.first();
    const int spacing = standard.height / 3;
    QVERIFY(standard.fits);
    for (int width : standard.widths)
        QCOMPARE(width, standardWidth);

    // A caption half again as wide as a button widens all three alike, to
    // its own width plus the spacing.
    const QFontMetrics metrics(standard.font);
    QString wider = QStringLiteral("&Opslaan");
    while (metrics.horizontalAdvance(wider) < standardWidth * 3 / 2)
        wider += QStringLiteral(" en");
    const Seen widened = look(wider);
    QCOMPARE(widened.firstCaption, wider);
    QCOMPARE(widened.widths, QList<int>(3, metrics.horizontalAdvance(wider) + spacing));
    QVERIFY(widened.fits);
    QCOMPARE(widened.toolTips, QStringList(3));
    QVERIFY(widened.rightmost <= widened.dialogWidth);

    // A caption far wider than three buttons stops at three standard widths,
    // and the dialog grows to hold the row with a spacing on each side.
    const QString huge = QStringLiteral("&Opslaan") + QString(QStringLiteral(" onder een andere naam")).repeated(8);
    QVERIFY(metrics.horizontalAdvance(huge) > 3 * standardWidth);
    const Seen capped = look(huge);
    QCOMPARE(capped.widths, QList<int>(3, 3 * standardWidth));
    // The caption cut off at that width can be read in full as a tooltip.
    QCOMPARE(capped.toolTips, (QStringList{QString(huge).remove(0, 1), QString(), QString()}));
    const int needed = (3 * standardWidth + spacing) * 3 + 2 * spacing;
    QVERIFY(needed > standard.dialogWidth);
    QCOMPARE(capped.dialogWidth, needed);
    QVERIFY(capped.rightmost <= capped.dialogWidth);
}

void TestMessageDialogs::buttonStripGeometryAndColours()
{
    UseOwnDialog();
    Answered(
        [] {
            return AskYesNoCancel(Caption, SaveTitle, SaveText, QStringLiteral("&Opslaan"),
                                  QStringLiteral("&Niet opslaan"), QStringLiteral("&Annuleren"), No);
        },
        [](QDialog *dialog) {
            auto *strip = dialog->findChild<QFrame *>(QStringLiteral("ButtonStrip"));
            auto *message = dialog->findChild<QLabel *>(QStringLiteral("Message"));
            auto *icon = dialog->findChild<QLabel *>(QStringLiteral("Icon"));
            QVERIFY(strip && message && icon);
            const QList<QPushButton *> buttons = ButtonsLeftToRight(dialog);
            QCOMPARE(buttons.size(), 3);
            const int buttonWidth = buttons[0]->width();
            const int buttonHeight = buttons[0]->height();
            const int spacing = buttonHeight / 3;
            const int rowWidth = 3 * buttonWidth + 2 * spacing;

            // The strip overhangs left and bottom; its top is the row's old top,
            // below the icon and the message.
            QCOMPARE(strip->x(), -spacing);
            QCOMPARE(strip->width(), dialog->width() + spacing);
            QCOMPARE(strip->height(), dialog->height());
            QVERIFY(strip->y() >= message->geometry().bottom() + 1);
            QVERIFY(strip->y() >= icon->geometry().bottom() + 1);
            QVERIFY(strip->y() > 0);
            QCOMPARE(dialog->findChildren<QWidget *>(Qt::FindDirectChildrenOnly).constFirst(), strip);

            const int firstLeft = (dialog->width() - rowWidth) / 2 + spacing / 2 + 1;
            for (int k = 0; k < 3; ++k) {
                QCOMPARE(buttons[k]->parentWidget(), strip);
                QCOMPARE(buttons[k]->y(), spacing);
                QCOMPARE(buttons[k]->x(), (buttonWidth + spacing) * k + firstLeft);
                QCOMPARE(buttons[k]->width(), buttonWidth);
                // Whole inside the dialog.
                const QRect inDialog(buttons[k]->mapTo(dialog, QPoint()), buttons[k]->size());
                QVERIFY(dialog->rect().contains(inDialog));
            }

            // Focus still on the default button after the move into the strip.
            QCOMPARE(dialog->focusWidget(), buttons[1]);
            QVERIFY(buttons[1]->isDefault());

            // White message area, grey strip with a dark bevel on its top edge.
            QCOMPARE(strip->frameShape(), QFrame::Panel);
            QCOMPARE(strip->frameShadow(), QFrame::Sunken);
            const QImage shot = dialog->grab().toImage();
            const qreal ratio = shot.devicePixelRatio();
            const auto pixel = [&](int x, int y) { return QColor(shot.pixel(qRound(x * ratio), qRound(y * ratio))); };
            const QColor white = dialog->palette().color(QPalette::Base);
            const QColor face = QApplication::palette().color(QPalette::Button);
            QVERIFY(white != face);
            QCOMPARE(pixel(2, 2), white);
            QCOMPARE(pixel(dialog->width() - 3, strip->y() - 1), white);
            QCOMPARE(pixel(2, dialog->height() - 2), face);
            QCOMPARE(pixel(dialog->width() - 2, strip->y() + spacing / 2), face);
            const QColor bevel = pixel(dialog->width() / 2, strip->y());
            QVERIFY2(bevel.lightness() < face.lightness(), qPrintable(bevel.name()));

            Act(dialog, QStringLiteral("Yes"));
        });
}

void TestMessageDialogs::ownDialogEveryButton()
{
    UseOwnDialog();
    const QStringList order = {"Yes",    "No",  "OK",      "Cancel",   "Abort", "Retry",
                               "Ignore", "All", "NoToAll", "YesToAll", "Help"};
    const QStringList standard = {"&Yes",    "&No",  "OK",         "Cancel",      "&Abort", "&Retry",
                                  "&Ignore", "&All", "N&o to All", "Yes to &All", "&Help"};
    const QList<int> results = {6, 7, 1, 2, 3, 4, 5, 8, 9, 10};
    const DialogButtonSet all = 0x7FF;

    for (int k = 0; k < results.size(); ++k) {
        QStringList names;
        QStringList captions;
        const int result = Answered(
            [&] { return ShowMessageDialog(Caption, QString(), QStringLiteral("Kies."), Warning, all, OK, {}); },
            [&](QDialog *dialog) {
                const QList<QPushButton *> buttons = ButtonsLeftToRight(dialog);
                names = Names(buttons);
                for (QPushButton *button : buttons)
                    captions << button->text();
                Act(dialog, order[k]);
            });
        QCOMPARE(result, results[k]);
        QCOMPARE(names, order);
        QCOMPARE(captions, standard);
    }

    // The caller's captions go to their buttons by result code.
    QStringList given(11);
    given[Abort] = QStringLiteral("&Stoppen");
    given[Ignore] = QStringLiteral("&Negeren");
    given[Help] = QStringLiteral("&Hulp");
    QStringList captions;
    Answered(
        [&] {
            return ShowMessageDialog(Caption, QString(), QStringLiteral("Kies."), Error,
                                     ButtonBit(Abort) | ButtonBit(Retry) | ButtonBit(Ignore) | ButtonBit(Help), Retry,
                                     given);
        },
        [&](QDialog *dialog) {
            for (QPushButton *button : ButtonsLeftToRight(dialog))
                captions << button->text();
            Act(dialog, QStringLiteral("Retry"));
        });
    QCOMPARE(captions, (QStringList{"&Stoppen", "&Retry", "&Negeren", "&Hulp"}));
}

void TestMessageDialogs::escapeButtonPrecedence()
{
    UseOwnDialog();
    const QList<std::pair<DialogButtonSet, int>> cases = {
        {ButtonBit(OK) | ButtonBit(Cancel), 2},
        {ButtonBit(Yes) | ButtonBit(No), 7},
        {ButtonBit(Yes) | ButtonBit(No) | ButtonBit(OK), 7},
        {ButtonBit(OK), 1},
    };
    for (const auto &[buttons, expected] : cases) {
        const int result = Answered(
            [&] { return ShowMessageDialog(Caption, QString(), QStringLiteral("Tekst"), Warning, buttons, Yes, {}); },
            [](QDialog *dialog) { Act(dialog, QStringLiteral("escape")); });
        QCOMPARE(result, expected);
    }

    // Without Cancel, No or OK, Escape leaves the dialog open.
    bool openAfterEscape = false;
    const int result = Answered(
        [] {
            return ShowMessageDialog(Caption, QString(), QStringLiteral("Tekst"), Error,
                                     ButtonBit(Abort) | ButtonBit(Retry) | ButtonBit(Ignore), Abort, {});
        },
        [&](QDialog *dialog) {
            Act(dialog, QStringLiteral("escape"));
            openAfterEscape = dialog->isVisible();
            Act(dialog, QStringLiteral("Ignore"));
        });
    QVERIFY(openAfterEscape);
    QCOMPARE(result, 5);
}

void TestMessageDialogs::helpButtonStaysOpen()
{
    UseOwnDialog();
    QList<int> contexts;
    SetHelpHandler([&contexts](int context) { contexts << context; });
    bool openAfterHelp = false;
    const int result = Answered(
        [] {
            return ShowMessageDialog(Caption, QString(), QStringLiteral("Tekst"), Information,
                                     ButtonBit(OK) | ButtonBit(Help), OK, {});
        },
        [&](QDialog *dialog) {
            Act(dialog, QStringLiteral("Help"));
            openAfterHelp = dialog->isVisible();
            Act(dialog, QStringLiteral("OK"));
        });
    QVERIFY(openAfterHelp);
    QCOMPARE(contexts, QList<int>{MessageHelpContext});
    QCOMPARE(MessageHelpContext, 20);
    QCOMPARE(result, 1);
}

void TestMessageDialogs::taskDialogHonoursOnlyFourButtons()
{
    const DialogButtonSet all = 0x7FF;
    QStringList names;
    QStringList captions;
    QString focusName;
    const int result = Answered(
        [all] {
            return ShowTaskDialog(Caption, SaveTitle, SaveText, Confirmation, all, Cancel, QString(),
                                  QStringLiteral("&Nee"), QString(), QString());
        },
        [&](QDialog *dialog) {
            const QList<QPushButton *> buttons = ButtonsLeftToRight(dialog);
            names = Names(buttons);
            for (QPushButton *button : buttons)
                captions << button->text();
            focusName = dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
            Act(dialog, QStringLiteral("enter"));
        });
    QCOMPARE(names, (QStringList{"Yes", "No", "OK", "Cancel"}));
    QCOMPARE(captions, (QStringList{"&Yes", "&Nee", "&OK", "&Cancel"}));
    QCOMPARE(focusName, QStringLiteral("Cancel"));
    QCOMPARE(result, 2);

    // OK alone, pressed.
    const int ok =
        Answered([] { return ShowTaskDialog(Caption, QString(), SaveText, Error, ButtonBit(OK), OK, {}, {}, {}, {}); },
                 [](QDialog *dialog) { Act(dialog, QStringLiteral("OK")); });
    QCOMPARE(ok, 1);
}

void TestMessageDialogs::taskDialogWideCaption()
{
    struct Seen
    {
        QPoint icon;
        QPoint message;
        int width = 0;
        bool fits = true;
        bool inside = true;
    };
    const auto look = [](const QString &yes) {
        Seen seen;
        Answered([&] { return AskYesNoCancel(Caption, SaveTitle, SaveText, yes, QString(), QString(), Yes); },
                 [&](QDialog *dialog) {
                     seen.icon = dialog->findChild<QLabel *>(QStringLiteral("Icon"))->mapTo(dialog, QPoint());
                     seen.message = dialog->findChild<QLabel *>(QStringLiteral("Message"))->mapTo(dialog, QPoint());
                     seen.width = dialog->width();
                     for (QPushButton *button : ButtonsLeftToRight(dialog)) {
                         seen.fits = seen.fits && CaptionFits(button);
                         seen.inside = seen.inside
                             && dialog->rect().contains(QRect(button->mapTo(dialog, QPoint()), button->size()));
                     }
                     Act(dialog, QStringLiteral("Cancel"));
                 });
        return seen;
    };
    const Seen narrow = look(QStringLiteral("&Opslaan"));
    const Seen wide = look(QStringLiteral("&Opslaan onder een andere naam in een andere map op een andere schijf"));
    // The whole caption shows; the dialog grows, and icon and texts stay put.
    QVERIFY(narrow.fits && wide.fits && narrow.inside && wide.inside);
    QVERIFY(wide.width > narrow.width);
    QCOMPARE(wide.icon, narrow.icon);
    QCOMPARE(wide.message, narrow.message);
}

void TestMessageDialogs::iconsByKind()
{
    const QImage warning = IconImage(QStyle::SP_MessageBoxWarning);
    const QImage error = IconImage(QStyle::SP_MessageBoxCritical);
    const QImage information = IconImage(QStyle::SP_MessageBoxInformation);
    const QImage question = IconImage(QStyle::SP_MessageBoxQuestion);
    // Otherwise the comparisons below could not tell the kinds apart.
    QVERIFY(warning != error && warning != information && error != information && question != information);

    const auto iconOf = [](bool own, MessageKind kind) {
        if (own)
            UseOwnDialog();
        else
            UseTask();
        QImage image;
        Answered(
            [kind, own] {
                return own ? ShowMessageDialog(Caption, QString(), QStringLiteral("Tekst"), kind, ButtonBit(OK), OK, {})
                           : ShowTaskDialog(Caption, QString(), QStringLiteral("Tekst"), kind, ButtonBit(OK), OK, {},
                                            {}, {}, {});
            },
            [&image](QDialog *dialog) {
                image = LabelImage(dialog);
                Act(dialog, QStringLiteral("OK"));
            });
        return image;
    };
    // Each dialog draws the icons of the style in force: fusion for the task
    // dialog, the classic style for the own one.
    QCOMPARE(iconOf(false, Warning), warning);
    QCOMPARE(iconOf(false, Error), error);
    QCOMPARE(iconOf(false, Information), information);
    QCOMPARE(iconOf(false, Confirmation), information); // no question icon in a task dialog
    QCOMPARE(iconOf(false, static_cast<MessageKind>(9)), information);

    UseOwnDialog();
    const QImage ownWarning = IconImage(QStyle::SP_MessageBoxWarning);
    const QImage ownError = IconImage(QStyle::SP_MessageBoxCritical);
    const QImage ownInformation = IconImage(QStyle::SP_MessageBoxInformation);
    const QImage ownQuestion = IconImage(QStyle::SP_MessageBoxQuestion);
    QCOMPARE(iconOf(true, Warning), ownWarning);
    QCOMPARE(iconOf(true, Error), ownError);
    QCOMPARE(iconOf(true, Information), ownInformation);
    QCOMPARE(iconOf(true, Confirmation), ownQuestion);
}

void TestMessageDialogs::longTextIsNotClipped_data()
{
    QTest::addColumn<bool>("own");
    QTest::newRow("task") << false;
    QTest::newRow("own") << true;
}

void TestMessageDialogs::longTextIsNotClipped()
{
    QFETCH(bool, own);
    if (own)
        UseOwnDialog();
    const QScreen *screen = QGuiApplication::primaryScreen();
    const int halfScreen = screen->geometry().width() / 2;
    const QString longText =
        QString(QStringLiteral("De kaart kon niet worden getekend omdat het bestand ontbreekt. ")).repeated(12);
    // A path without spaces cannot be wrapped; it must widen the box, not be cut.
    const QString longPath = QStringLiteral("Het bestand ") + QStringLiteral("C:\\Projecten\\").repeated(12)
        + QStringLiteral("kaart.bmp bestaat niet.");

    for (const QString &text : {longText, longPath}) {
        Answered([&] { return ShowErrorMessage(Caption, QString(), text); },
                 [&](QDialog *dialog) {
                     auto *label = dialog->findChild<QLabel *>(QStringLiteral("Message"));
                     QVERIFY(label);
                     QVERIFY(LabelFits(label));
                     const QRect inDialog(label->mapTo(dialog, QPoint()), label->size());
                     QVERIFY(dialog->rect().contains(inDialog));
                     if (text == longText)
                         QVERIFY2(label->width() <= halfScreen, qPrintable(QString::number(label->width())));
                     for (QPushButton *button : ButtonsLeftToRight(dialog)) {
                         const QRect buttonRect(button->mapTo(dialog, QPoint()), button->size());
                         QVERIFY(dialog->rect().contains(buttonRect));
                         QVERIFY(!buttonRect.intersects(inDialog));
                     }
                     Act(dialog, QStringLiteral("OK"));
                 });
    }
}

void TestMessageDialogs::parentIsActiveWindow()
{
    QWidget window;
    window.setWindowTitle(Caption);
    window.resize(400, 300);
    window.show();

    for (bool own : {false, true}) {
        if (own)
            UseOwnDialog();
        QWidget *parent = nullptr;
        bool modal = false;
        QPoint centre;
        QPoint frameOffset;
        // The offscreen platform does not hand activation back when a dialog closes.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        Answered([] { return ShowInfoMessage(Caption, QString(), QStringLiteral("Klaar.")); },
                 [&](QDialog *dialog) {
                     parent = dialog->parentWidget();
                     modal = dialog->isModal();
                     centre = dialog->geometry().center();
                     frameOffset = dialog->geometry().topLeft() - dialog->frameGeometry().topLeft();
                     Act(dialog, QStringLiteral("OK"));
                 });
        QCOMPARE(parent, &window);
        QVERIFY(modal);
        if (own) {
            const QPoint screenCentre = window.screen()->availableGeometry().center();
            // Centred to within the window frame, whose size is not known
            // before the window manager has framed the dialog.
            const QPoint off = centre - screenCentre;
            QVERIFY2(qAbs(off.x()) <= frameOffset.x() + 1 && qAbs(off.y()) <= frameOffset.y() + 1,
                     qPrintable(QStringLiteral("%1,%2").arg(off.x()).arg(off.y())));
        }
    }
}

QTEST_MAIN(TestMessageDialogs)
#include "tst_messagedialogs.moc"
