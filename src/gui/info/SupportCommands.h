#pragma once

#include <QString>

class ProjectSession;
class QWidget;

// The Help menu's commands that open documents and web addresses.
namespace SupportCommands {

// "&LeesMij.txt": opens programFolder + "LeesMij.txt" with the program the
// desktop uses for text files; when there is none, or it cannot be started,
// in the program's own text window (a child of parent). Afterwards the
// project's folder is the current folder again.
void OpenReadMe(QWidget *parent, const ProjectSession &session, const QString &programFolder);

// Opens a web address as typed ("www.tolvek.nl") in the default browser.
// Nothing is reported when that fails.
void OpenWebAddress(const QString &address);

} // namespace SupportCommands
