#pragma once

#include <QMenu>

// "&Recente projecten": the recent projects as "&1 /pad/project.tvk" to
// "&8 ...", newest first, so that a digit picks one; a project whose file
// has gone is shown greyed. Built afresh each time the menu opens.
class RecentProjectsMenu : public QMenu
{
    Q_OBJECT
public:
    explicit RecentProjectsMenu(QWidget *parent = nullptr);

    void Rebuild();

    // The menu caption of the n-th (from 1) recent project.
    static QString Caption(int n, const QString &fileName);

signals:
    void OpenRequested(const QString &fileName);
};
