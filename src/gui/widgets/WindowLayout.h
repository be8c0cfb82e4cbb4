#pragma once

#include <QByteArray>

class QMainWindow;
class QSettings;

// Where the main window's dock windows stand and whether they are shown,
// kept between runs in the user's settings (QSettings, the XDG config
// folder), never in the project's file.
class WindowLayout
{
public:
    // False when nothing was kept yet (the first run).
    static bool Restore(QMainWindow &window);
    static void Save(const QMainWindow &window);

    // The program's settings file.
    static QSettings *OpenSettings();
};
