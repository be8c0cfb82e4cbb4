#pragma once

#include <QString>

class QMainWindow;

// A main window's size, place, maximised state and the layout of its tool
// bars and docks, kept in the program's settings between runs.
class WindowLayout
{
public:
    // Restores what Save kept under name; false when nothing was kept, so
    // the window keeps its designed size and place.
    static bool Restore(QMainWindow &window, const QString &name);
    static void Save(const QMainWindow &window, const QString &name);
};
