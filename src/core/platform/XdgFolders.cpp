#include "core/platform/XdgFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

const QString kProgramFolder = QStringLiteral("tolvek");

// A relative path in these variables is invalid and must be ignored.
QString absoluteVariable(const char *name)
{
    const QString value = qEnvironmentVariable(name);
    return QDir::isAbsolutePath(value) ? value : QString();
}

} // namespace

QString XdgFolders::StateFolder()
{
    QString base = absoluteVariable("XDG_STATE_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QLatin1Char('/') + kProgramFolder;
}

QString XdgFolders::RuntimeFolder()
{
    const QString base = absoluteVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isDir())
        return StateFolder();
    return base + QLatin1Char('/') + kProgramFolder;
}

bool XdgFolders::MakePrivateFolder(const QString &folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    if (!QDir().mkpath(folder))
        return false;
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    return true;
}
