#include "core/photos/PhotoImportCheck.h"

#include "core/base/TolvekError.h"
#include "core/photos/ExifReader.h"
#include "core/photos/PhotoPicture.h"

#include <QDir>
#include <QFileInfo>

#include <new>

PhotoImportCheck::Outcome PhotoImportCheck::Run(const Job &job)
{
    Outcome out;
    QByteArray jpeg;
    try {
        jpeg = PhotoPicture::Load(job.source).JpegBytes();
    } catch (const TolvekError &e) {
        out.problem = e.message();
        return out;
    } catch (const std::bad_alloc &) {
        out.problem = QStringLiteral("De afbeelding \"%1\" kan niet worden getoond: onvoldoende geheugen.")
                          .arg(QFileInfo(job.source).fileName());
        return out;
    }
    out.path = job.source;
    if (job.readCamera)
        out.camera = jpeg.isEmpty() ? ExifReader::Read(job.source) : ExifReader::ReadBytes(jpeg);
    if (job.copy) {
        QString error;
        out.path = PhotoCopyPlan::Carry(job.source, job.target, &out.copied, &error);
        if (out.path.isEmpty()) {
            out.problem = QStringLiteral("Het bestand \"%1\" kan niet naar de map \"%2\" worden gekopieerd: %3.")
                              .arg(QFileInfo(job.source).fileName(),
                                   QDir::toNativeSeparators(QFileInfo(job.target.fresh).path()), error);
            return out;
        }
    }
    out.ok = true;
    return out;
}
