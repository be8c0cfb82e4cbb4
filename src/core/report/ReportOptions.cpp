#include "core/report/ReportOptions.h"

#include "core/platform/AnsiCodec.h"
#include "core/project/ProjectDocument.h"

#include <QFileInfo>

QPageSize ReportOptions::PageSize() const
{
    return QPageSize(paper == Paper::Letter ? QPageSize::Letter : QPageSize::A4);
}

int ReportOptions::PhotoPpi() const
{
    switch (quality) {
    case Quality::Small:
        return 110;
    case Quality::Normal:
        return 170;
    case Quality::Sharp:
        return 300;
    }
    return 170;
}

ReportOptions::Paper ReportOptions::DefaultPaper(const QLocale &locale)
{
    // The countries where Letter is the usual paper.
    switch (locale.territory()) {
    case QLocale::UnitedStates:
    case QLocale::Canada:
    case QLocale::Mexico:
    case QLocale::Chile:
    case QLocale::Colombia:
    case QLocale::Venezuela:
    case QLocale::Philippines:
    case QLocale::PuertoRico:
    case QLocale::CostaRica:
    case QLocale::Guatemala:
        return Paper::Letter;
    default:
        return Paper::A4;
    }
}

QString ReportOptions::DateText() const
{
    return QLocale(QLocale::Dutch, QLocale::Netherlands).toString(date, QStringLiteral("d MMMM yyyy"));
}

QString ReportOptions::DefaultTitle(const ProjectDocument &doc)
{
    for (const QByteArray *line : {&doc.Description1, &doc.Description2, &doc.Description3})
        if (!line->trimmed().isEmpty())
            return AnsiCodec::toUnicode(*line).trimmed();
    return QStringLiteral("Fotorapport %1").arg(QFileInfo(doc.CurrentFileName).completeBaseName());
}

QString ReportOptions::DefaultAuthor(const ProjectDocument &doc)
{
    return AnsiCodec::toUnicode(doc.Organisation).trimmed();
}
