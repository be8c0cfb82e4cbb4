#include "app/TolvekApplication.h"

#include "gui/widgets/GeneralError.h"

#include <QFont>
#include <QImageReader>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

TolvekApplication::TolvekApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    // Ties the windows to the desktop entry (its icon and name in task bars).
    setDesktopFileName(QStringLiteral("nl.tolvek.Tolvek"));
    SetUpLocaleAndFonts();
}

void TolvekApplication::SetUpLocaleAndFonts()
{
    QLocale::setDefault(QLocale(QLocale::Dutch, QLocale::Netherlands));
    auto *translator = new QTranslator(qApp);
    if (translator->load(QLocale(QLocale::Dutch), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
    // The dialogs were designed for these Windows fonts.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    // Scanned floor plans are far larger than Qt's default image limit.
    QImageReader::setAllocationLimit(2048);
}

bool TolvekApplication::notify(QObject *receiver, QEvent *event)
{
    bool result = false;
    GeneralError::Run([&] { result = QApplication::notify(receiver, event); });
    return result;
}
