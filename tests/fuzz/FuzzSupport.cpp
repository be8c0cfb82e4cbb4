#include "FuzzSupport.h"

#include "FuzzCheck.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace FuzzSupport {

QString ScratchFile(const QString &suffix)
{
    const QString folder = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    return folder + QStringLiteral("/tolvek-fuzz-%1%2").arg(::getpid()).arg(suffix);
}

QString WriteScratch(const QString &suffix, const QByteArray &bytes)
{
    const QString name = ScratchFile(suffix);
    QFile file(name);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
    return name;
}

} // namespace FuzzSupport

// Fonts, painting and image plug-ins need a GUI application; no screen.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "tolvek-fuzz";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = new QGuiApplication(argc, argv);
    (void)app;
    return 0;
}
