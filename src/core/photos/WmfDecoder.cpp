#include "core/photos/WmfDecoder.h"

#include <libwmf/api.h>
#include <libwmf/gd.h>

#include <cmath>
#include <cstring>
#include <dlfcn.h>

namespace {

// libuemf exports a wmf_free of its own. When the loader binds libwmf's
// calls to that one, playing any metafile crashes; the build orders the
// libraries so that it does not happen, and this check turns a broken build
// into an error message instead of a crash.
bool libwmfBindsItsOwnFree()
{
    void *bound = dlsym(RTLD_DEFAULT, "wmf_free");
    Dl_info info;
    if (!bound || !dladdr(bound, &info) || !info.dli_fname)
        return false;
    return std::strstr(info.dli_fname, "libwmflite") != nullptr;
}

int appendPng(void *context, char *buffer, int length)
{
    auto *png = static_cast<std::vector<unsigned char> *>(context);
    if (length > 0)
        png->insert(png->end(), buffer, buffer + length);
    return length;
}

} // namespace

WmfDecoder::Result WmfDecoder::Decode(const unsigned char *data, std::size_t size, std::uint64_t maxPixels)
{
    Result result;
    if (!data || size < 18) {
        result.problem = "het bestand is te kort voor een Windows-metabestand";
        return result;
    }
    static const bool usable = libwmfBindsItsOwnFree();
    if (!usable) {
        result.problem = "Windows-metabestanden kunnen in deze programmaversie niet worden getoond "
                         "(de bibliotheek libwmf is verkeerd gekoppeld)";
        return result;
    }
    wmfAPI *api = nullptr;
    wmfAPI_Options options;
    std::memset(&options, 0, sizeof options);
    options.function = wmf_gd_function;
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api)
            wmf_api_destroy(api);
        result.problem = "de metabestand-bibliotheek kon niet worden gestart";
        return result;
    }
    // libwmf reads from the buffer only; its interface is not const.
    std::vector<unsigned char> copy(data, data + size);
    wmfD_Rect bbox;
    unsigned width = 0;
    unsigned height = 0;
    wmf_error_t err = wmf_mem_open(api, copy.data(), static_cast<long>(copy.size()));
    if (err == wmf_E_None)
        err = wmf_scan(api, 0, &bbox);
    if (err == wmf_E_None)
        err = wmf_display_size(api, &width, &height, 96, 96);
    if (err == wmf_E_None && (width == 0 || height == 0 || width > 100000 || height > 100000)) {
        result.problem = "het metabestand heeft geen bruikbare afmetingen";
        wmf_api_destroy(api);
        return result;
    }
    if (err != wmf_E_None) {
        result.problem = "geen geldig of een beschadigd Windows-metabestand";
        wmf_api_destroy(api);
        return result;
    }
    const std::uint64_t pixels = std::uint64_t(width) * height;
    if (pixels > maxPixels) {
        const double f = std::sqrt(double(maxPixels) / double(pixels));
        width = static_cast<unsigned>(std::max(1.0, std::floor(width * f)));
        height = static_cast<unsigned>(std::max(1.0, std::floor(height * f)));
    }
    wmf_gd_t *ddata = WMF_GD_GetData(api);
    if (!(ddata->flags & WMF_GD_SUPPORTS_PNG)) {
        result.problem = "de metabestand-bibliotheek kan geen afbeelding maken";
        wmf_api_destroy(api);
        return result;
    }
    ddata->type = wmf_gd_png;
    ddata->flags |= WMF_GD_OUTPUT_MEMORY | WMF_GD_OWN_BUFFER;
    ddata->sink.context = &result.png;
    ddata->sink.function = appendPng;
    ddata->bbox = bbox;
    ddata->width = width;
    ddata->height = height;
    err = wmf_play(api, 0, &bbox);
    wmf_api_destroy(api);
    if (err != wmf_E_None || result.png.empty()) {
        result.problem = "het Windows-metabestand kon niet worden getekend";
        result.png.clear();
        return result;
    }
    result.width = width;
    result.height = height;
    result.ok = true;
    return result;
}
