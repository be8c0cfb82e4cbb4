#include "gui/widgets/DialogParts.h"

#include "core/base/ProgramTexts.h"
#include "core/platform/AnsiCodec.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/ThemeIcons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QIcon>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>

namespace DialogParts {

QToolButton *MakeToolButton(QWidget *parent, const char *name, const QString &hint, const QIcon &icon,
                            const QRect &geometry)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoRaise(true);
    b->setToolTip(hint);
    b->setIcon(icon);
    b->setIconSize(QSize(16, 16));
    b->setGeometry(geometry);
    return b;
}

QToolButton *MakeHelpButton(QDialog *dialog, int x, int y, int helpContext)
{
    QToolButton *b = MakeToolButton(dialog, "HelpSpeedButton", QStringLiteral("Help"),
                                    ThemeIcons::Get("help-browser", QStyle::SP_DialogHelpButton), QRect(x, y, 25, 25));
    QObject::connect(b, &QToolButton::clicked, dialog, [helpContext] { MessageDialogs::ShowHelp(helpContext); });
    auto *f1 = new QShortcut(QKeySequence(Qt::Key_F1), dialog);
    QObject::connect(f1, &QShortcut::activated, b, &QToolButton::click);
    return b;
}

QPushButton *MakeOkButton(QDialog *dialog, int x, int y)
{
    auto *b = new QPushButton(QStringLiteral("&OK"), dialog);
    b->setObjectName(QStringLiteral("Button1"));
    b->setGeometry(x, y, 75, 25);
    b->setDefault(true);
    b->setAutoDefault(true);
    return b;
}

QPushButton *MakeCancelButton(QDialog *dialog, int x, int y)
{
    auto *b = new QPushButton(QStringLiteral("&Annuleren"), dialog);
    b->setObjectName(QStringLiteral("Button2"));
    b->setGeometry(x, y, 75, 25);
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, dialog, &QDialog::reject);
    return b;
}

void AddOkCancel(QDialog *dialog, QBoxLayout *row, QPushButton *&ok, QPushButton *&cancel)
{
    ok = MakeOkButton(dialog, 0, 0);
    cancel = MakeCancelButton(dialog, 0, 0);
    row->addWidget(ok);
    row->addWidget(cancel);
}

void SetFixedClientSize(QDialog *dialog, int width, int height)
{
    dialog->setFixedSize(width, height);
    dialog->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

bool CheckStorable(QWidget *focusOnFailure, const QString &text)
{
    const QString bad = AnsiCodec::unencodableCharacters(text);
    if (bad.isEmpty())
        return true;
    QStringList shown;
    for (qsizetype i = 0; i < bad.size(); ++i) {
        if (bad[i].isHighSurrogate() && i + 1 < bad.size()) {
            shown << bad.mid(i, 2);
            ++i;
        } else {
            shown << QString(bad[i]);
        }
    }
    MessageDialogs::ShowWarningMessage(
        ProgramTexts::AppTitle(), QString(),
        QStringLiteral("Deze tekens kunnen niet in het projectbestand worden bewaard: %1\r\n"
                       "Vervang of verwijder ze en probeer het opnieuw.")
            .arg(shown.join(QLatin1Char(' '))));
    if (focusOnFailure)
        focusOnFailure->setFocus();
    return false;
}

} // namespace DialogParts
