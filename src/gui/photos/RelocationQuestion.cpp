#include "gui/photos/RelocationQuestion.h"

#include "core/base/ProgramTexts.h"
#include "core/photos/PhotoFileNames.h"
#include "gui/widgets/MessageDialogs.h"

#include <QDir>

RelocationQuestion::Answer RelocationQuestion::Ask(int photos, bool map, const QString &folder, bool saving)
{
    const QString photoText = photos == 1 ? QStringLiteral("1 foto") : QStringLiteral("%1 foto's").arg(photos);
    QString which;
    if (map && photos > 0)
        which = QStringLiteral("de overzichtskaart en %1").arg(photoText);
    else if (map)
        which = QStringLiteral("de overzichtskaart");
    else
        which = photoText;
    const QString where = QDir::toNativeSeparators(QDir::cleanPath(folder));
    const QString text = saving
        ? QStringLiteral("Opgeslagen in de map \"%1\" vindt het project %2 niet meer onder de namen die het nu "
                         "bewaart.\r\n\r\n"
                         "Meenemen: ze worden naar de projectmap gekopieerd (foto's in de map \"%3\", de kaart naast "
                         "het project), zodat ze meegaan als de fotoset wordt gekopieerd.\r\n"
                         "Paden aanpassen: het project noemt ze zo dat ze vanaf die map te vinden zijn, met hun "
                         "volledige pad als ze er niet in staan.\r\n"
                         "Annuleren: er wordt niets opgeslagen.")
              .arg(where, which, PhotoFileNames::CopyFolderName())
        : QStringLiteral("De gekozen overzichtskaart staat niet in de map van het project (\"%1\"). Onder haar "
                         "naam zonder pad zou het project haar niet vinden.\r\n\r\n"
                         "Meenemen: de kaart wordt naast het project gekopieerd, zodat ze meegaat als de fotoset "
                         "wordt gekopieerd.\r\n"
                         "Paden aanpassen: het project noemt de kaart zo dat ze vanaf die map te vinden is, met haar "
                         "volledige pad als ze er niet in staat.\r\n"
                         "Annuleren: de kaart wordt niet gekozen.")
              .arg(where);
    const int answer = MessageDialogs::AskYesNoCancel(
        ProgramTexts::AppTitle(),
        saving ? QStringLiteral("Bestanden meenemen?") : QStringLiteral("Overzichtskaart meenemen?"), text,
        QStringLiteral("&Meenemen"), QStringLiteral("&Paden aanpassen"), QStringLiteral("&Annuleren"),
        MessageDialogs::Yes);
    if (answer == MessageDialogs::ResultYes)
        return Answer::Carry;
    if (answer == MessageDialogs::ResultNo)
        return Answer::Repath;
    return Answer::Cancel;
}
