#include "gui/platform/LocaleAndFonts.h"

#include <QCoreApplication>
#include <QFont>
#include <QImageReader>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace LocaleAndFonts {

void SetUp()
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

} // namespace LocaleAndFonts
