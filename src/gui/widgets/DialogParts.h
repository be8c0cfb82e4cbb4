#pragma once

#include <QRect>
#include <QString>

class QBoxLayout;
class QDialog;
class QIcon;
class QPushButton;
class QToolButton;
class QWidget;

// The pieces every project dialog shares: the flat Help picture button, the
// "&OK" and "&Annuleren" buttons, and the check that a typed text can be kept
// in a data file.
namespace DialogParts {

// A flat tool button that shows only its picture (16 by 16) and its hint.
QToolButton *MakeToolButton(QWidget *parent, const char *name, const QString &hint, const QIcon &icon,
                            const QRect &geometry);

// A flat 25 by 25 Help button at (x, y) that opens the dialog's help topic
// (HelpContexts); F1 in the dialog presses it.
QToolButton *MakeHelpButton(QDialog *dialog, int x, int y, int helpContext);

// "&OK" (default) and "&Annuleren" (Escape) of 75 by 25 at the given places.
// OK runs through onOk, which accepts the dialog itself when it agrees.
QPushButton *MakeOkButton(QDialog *dialog, int x, int y);
QPushButton *MakeCancelButton(QDialog *dialog, int x, int y);
// The same two at the end of a row of a laid-out dialog.
void AddOkCancel(QDialog *dialog, QBoxLayout *row, QPushButton *&ok, QPushButton *&cancel);

// A fixed client size, centred on the screen when shown.
void SetFixedClientSize(QDialog *dialog, int width, int height);

// False (after telling the user which characters) when text holds characters
// that a data file cannot store.
bool CheckStorable(QWidget *focusOnFailure, const QString &text);

} // namespace DialogParts
