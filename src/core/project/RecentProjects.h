#pragma once

#include <QString>
#include <QStringList>

// The projects last opened or saved: full paths, newest first, at most
// MaxCount. Kept in the program's settings (AppSettings), read afresh each
// time, so that two running programs see each other's projects; each
// project added is also told to the desktop's recent files.
class RecentProjects
{
public:
    static constexpr int MaxCount = 8;
    static QString MimeType() { return QStringLiteral("application/x-tolvek"); }

    static QStringList Files();
    // Puts fileName (made absolute) first, without doubles, and keeps MaxCount.
    static void Add(const QString &fileName);
    static void Clear();

    // The list after adding fileName to list.
    static QStringList With(QStringList list, const QString &fileName);
};
