#include "support/DialogParts.h"

#include "platform/AnsiCodec.h"
#include "project/ProjectHost.h"
#include "support/MessageDialogs.h"
#include "support/ProgramTexts.h"

#include <QDialog>
#include <QIcon>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace DialogParts {

QToolButton *MakeHelpButton(QDialog *dialog, ProjectHost &host, int x, int y)
{
    auto *b = new QToolButton(dialog);
    b->setObjectName(QStringLiteral("HelpSpeedButton"));
    b->setAutoRaise(true);
    b->setToolTip(QStringLiteral("Help"));
    b->setIcon(QIcon::fromTheme(QStringLiteral("help-browser"),
                                dialog->style()->standardIcon(QStyle::SP_DialogHelpButton)));
    b->setIconSize(QSize(16, 16));
    b->setGeometry(x, y, 25, 25);
    QObject::connect(b, &QToolButton::clicked, dialog, [&host] { host.ShowHelp(20); });
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
                       "Vervang of verwijder ze en probeer het opnieuw.").arg(shown.join(QLatin1Char(' '))));
    if (focusOnFailure)
        focusOnFailure->setFocus();
    return false;
}

} // namespace DialogParts
