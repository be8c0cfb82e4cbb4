// tolvek-decode: the helper in which the program runs the libraries it does
// not trust with hostile files (see IsolatedCall). Started by the program
// for one job each time, never by hand.

#include "core/map/GeoTiffTags.h"
#include "core/map/PdfMapRenderer.h"
#include "core/photos/PhotoPicture.h"
#include "core/platform/ChmArchive.h"
#include "core/platform/IsolatedCall.h"

int main(int argc, char **argv)
{
    static const IsolatedCall::Job jobs[] = {
        {PdfMapRenderer::Job, &PdfMapRenderer::RenderJob},
        {ChmArchive::Job, &ChmArchive::UnpackJob},
        {PhotoPicture::EmfJob, &PhotoPicture::EmfToSvg},
        {PhotoPicture::WmfJob, &PhotoPicture::WmfToPng},
        {PhotoPicture::HeifJob, &PhotoPicture::HeifToPixels},
        {PhotoPicture::HeifFitJob, &PhotoPicture::HeifToFittedPixels},
        {GeoTiffTags::Job, &GeoTiffTags::ReadJob},
    };
    return IsolatedCall::Serve(argc, argv, jobs);
}
