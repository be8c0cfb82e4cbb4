#include "gui/project/RecentProjectsMenu.h"

#include "core/project/RecentProjects.h"

#include <QDir>
#include <QFileInfo>

RecentProjectsMenu::RecentProjectsMenu(QWidget *parent) : QMenu(QStringLiteral("&Recente projecten"), parent)
{
    setObjectName(QStringLiteral("RecenteProjecten1"));
    connect(this, &QMenu::aboutToShow, this, &RecentProjectsMenu::Rebuild);
    Rebuild();
}

QString RecentProjectsMenu::Caption(int n, const QString &fileName)
{
    // An "&" in a folder name is no accelerator.
    QString shown = QDir::toNativeSeparators(fileName);
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    return QStringLiteral("&%1 %2").arg(n).arg(shown);
}

void RecentProjectsMenu::Rebuild()
{
    clear();
    const QStringList files = RecentProjects::Files();
    int n = 0;
    for (const QString &file : files) {
        ++n;
        QAction *item = addAction(Caption(n, file));
        item->setObjectName(QStringLiteral("RecentProject%1").arg(n));
        item->setEnabled(QFileInfo(file).isFile());
        connect(item, &QAction::triggered, this, [this, file] { emit OpenRequested(file); });
    }
    if (files.isEmpty()) {
        addAction(QStringLiteral("(geen)"))->setEnabled(false);
        return;
    }
    addSeparator();
    QAction *clearList = addAction(QStringLiteral("Lijst &wissen"));
    clearList->setObjectName(QStringLiteral("RecentProjectsClear"));
    connect(clearList, &QAction::triggered, this, [] { RecentProjects::Clear(); });
}
