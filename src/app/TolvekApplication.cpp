#include "app/TolvekApplication.h"

#include "support/MessageDialogs.h"
#include "support/ProgramTexts.h"
#include "support/TolvekError.h"

#include <QFont>
#include <QImageReader>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <new>

namespace {
QString g_applicationTitle = ProgramTexts::AppTitle();
}

TolvekApplication::TolvekApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
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

void TolvekApplication::SetApplicationTitle(const QString &title)
{
    g_applicationTitle = title;
}

QString TolvekApplication::ApplicationTitle()
{
    return g_applicationTitle;
}

void TolvekApplication::ShowGeneralError(const QString &text)
{
    MessageDialogs::ShowErrorMessage(g_applicationTitle, QString(), text);
}

void TolvekApplication::RunCommand(const std::function<void()> &command)
{
    try {
        command();
    } catch (const TolvekError &e) {
        ShowGeneralError(e.message());
    } catch (const std::bad_alloc &) {
        ShowGeneralError(QStringLiteral("Onvoldoende geheugen om de opdracht uit te voeren."));
    } catch (const std::exception &e) {
        ShowGeneralError(QString::fromLocal8Bit(e.what()));
    }
}

bool TolvekApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const TolvekError &e) {
        ShowGeneralError(e.message());
    } catch (const std::bad_alloc &) {
        ShowGeneralError(QStringLiteral("Onvoldoende geheugen om de opdracht uit te voeren."));
    } catch (const std::exception &e) {
        ShowGeneralError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}
