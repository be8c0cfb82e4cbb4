#include "core/photos/HevcPictureDecoder.h"

#include <QThread>

#include <algorithm>
#include <cstring>
#include <libde265/de265.h>
#include <libheif/heif.h>
#include <libheif/heif_plugin.h>
#include <mutex>

namespace {

struct Decoder
{
    de265_decoder_context *context = nullptr;
};

heif_error Ok()
{
    return {heif_error_Ok, heif_suberror_Unspecified, "Success"};
}

heif_error Failed(heif_suberror_code code, const char *message)
{
    return {heif_error_Decoder_plugin_error, code, message};
}

const char *PluginName()
{
    return HevcPictureDecoder::Name();
}

void InitPlugin()
{
    de265_init();
}

void DeinitPlugin()
{
    de265_free();
}

// Above libheif's own decoder (100), so that libheif picks this one.
int Supports(heif_compression_format format)
{
    return format == heif_compression_HEVC ? 120 : 0;
}

heif_error NewDecoder(void **out)
{
    auto *decoder = new Decoder;
    decoder->context = de265_new_decoder();
    if (!decoder->context) {
        delete decoder;
        return {heif_error_Memory_allocation_error, heif_suberror_Unspecified, "Cannot create the HEVC decoder"};
    }
    // Without threads libde265 cannot decode at all; with fewer than asked
    // it still decodes.
    if (de265_start_worker_threads(decoder->context, HevcPictureDecoder::Threads()) != DE265_OK)
        de265_start_worker_threads(decoder->context, 1);
    *out = decoder;
    return Ok();
}

void FreeDecoder(void *raw)
{
    auto *decoder = static_cast<Decoder *>(raw);
    de265_free_decoder(decoder->context);
    delete decoder;
}

// libheif hands over the parameter sets and the picture's data as NAL units,
// each after its length in four bytes, big-endian.
heif_error PushData(void *raw, const void *data, size_t size)
{
    auto *decoder = static_cast<Decoder *>(raw);
    const auto *bytes = static_cast<const uint8_t *>(data);
    size_t at = 0;
    while (at < size) {
        if (size - at < 4)
            return Failed(heif_suberror_End_of_data, "Truncated NAL unit length");
        const size_t length =
            size_t(bytes[at]) << 24 | size_t(bytes[at + 1]) << 16 | size_t(bytes[at + 2]) << 8 | size_t(bytes[at + 3]);
        at += 4;
        if (length > size - at)
            return Failed(heif_suberror_End_of_data, "NAL unit runs past the end of the data");
        if (de265_push_NAL(decoder->context, bytes + at, int(length), 0, nullptr) != DE265_OK)
            return {heif_error_Memory_allocation_error, heif_suberror_Unspecified, "Cannot keep the NAL unit"};
        at += length;
    }
    return Ok();
}

heif_error ToHeifImage(const de265_image *picture, heif_image **out)
{
    const bool mono = de265_get_chroma_format(picture) == de265_chroma_mono;
    heif_chroma chroma = heif_chroma_monochrome;
    switch (de265_get_chroma_format(picture)) {
    case de265_chroma_mono:
        break;
    case de265_chroma_420:
        chroma = heif_chroma_420;
        break;
    case de265_chroma_422:
        chroma = heif_chroma_422;
        break;
    case de265_chroma_444:
        chroma = heif_chroma_444;
        break;
    }
    const int width = de265_get_image_width(picture, 0), height = de265_get_image_height(picture, 0);
    if (width <= 0 || height <= 0)
        return Failed(heif_suberror_Invalid_image_size, "The picture has no size");
    const int bits = de265_get_bits_per_pixel(picture, 0);
    heif_image *image = nullptr;
    heif_error error =
        heif_image_create(width, height, mono ? heif_colorspace_monochrome : heif_colorspace_YCbCr, chroma, &image);
    if (error.code != heif_error_Ok)
        return error;
    const heif_channel channels[3] = {heif_channel_Y, heif_channel_Cb, heif_channel_Cr};
    for (int c = 0; c < (mono ? 1 : 3); ++c) {
        const int w = de265_get_image_width(picture, c), h = de265_get_image_height(picture, c);
        int sourceStride = 0;
        const uint8_t *source = de265_get_image_plane(picture, c, &sourceStride);
        if (de265_get_bits_per_pixel(picture, c) != bits) {
            heif_image_release(image);
            return {heif_error_Unsupported_feature, heif_suberror_Unsupported_color_conversion,
                    "Channels with different number of bits per pixel are not supported"};
        }
        if (w <= 0 || h <= 0 || !source) {
            heif_image_release(image);
            return Failed(heif_suberror_Invalid_image_size, "A plane of the picture has no size");
        }
        error = heif_image_add_plane(image, channels[c], w, h, bits);
        if (error.code != heif_error_Ok) {
            heif_image_release(image);
            return error;
        }
        int stride = 0;
        uint8_t *target = heif_image_get_plane(image, channels[c], &stride);
        const size_t rowBytes = size_t(w) * size_t((bits + 7) / 8);
        for (int y = 0; y < h; ++y)
            std::memcpy(target + size_t(y) * size_t(stride), source + size_t(y) * size_t(sourceStride), rowBytes);
    }
    // The colour description in the stream, for files without their own.
    heif_color_profile_nclx *nclx = heif_nclx_color_profile_alloc();
    if (nclx) {
        heif_nclx_color_profile_set_color_primaries(nclx, uint16_t(de265_get_image_colour_primaries(picture)));
        heif_nclx_color_profile_set_transfer_characteristics(
            nclx, uint16_t(de265_get_image_transfer_characteristics(picture)));
        heif_nclx_color_profile_set_matrix_coefficients(nclx, uint16_t(de265_get_image_matrix_coefficients(picture)));
        nclx->full_range_flag = uint8_t(de265_get_image_full_range_flag(picture) != 0);
        heif_image_set_nclx_color_profile(image, nclx);
        heif_nclx_color_profile_free(nclx);
    }
    *out = image;
    return Ok();
}

// Decodes what was pushed; of several pictures the last one counts.
heif_error DecodeImage(void *raw, heif_image **out)
{
    auto *decoder = static_cast<Decoder *>(raw);
    *out = nullptr;
    de265_flush_data(decoder->context);
    int more = 0;
    do {
        more = 0;
        if (de265_decode(decoder->context, &more) != DE265_OK)
            break;
        while (const de265_image *picture = de265_get_next_picture(decoder->context)) {
            heif_image *image = nullptr;
            const heif_error error = ToHeifImage(picture, &image);
            de265_release_next_picture(decoder->context);
            if (error.code != heif_error_Ok) {
                if (*out)
                    heif_image_release(*out);
                *out = nullptr;
                return error;
            }
            if (*out)
                heif_image_release(*out);
            *out = image;
        }
    } while (more);
    if (!*out)
        return Failed(heif_suberror_Unspecified, "The HEVC data holds no picture");
    return Ok();
}

// The plugin interface's first version: nothing of the later ones is needed.
const heif_decoder_plugin Plugin = {
    .plugin_api_version = 1,
    .get_plugin_name = PluginName,
    .init_plugin = InitPlugin,
    .deinit_plugin = DeinitPlugin,
    .does_support_format = Supports,
    .new_decoder = NewDecoder,
    .free_decoder = FreeDecoder,
    .push_data = PushData,
    .decode_image = DecodeImage,
    .set_strict_decoding = nullptr,
    .id_name = nullptr,
};

} // namespace

void HevcPictureDecoder::Register()
{
    static std::once_flag once;
    std::call_once(once, [] { heif_register_decoder_plugin(&Plugin); });
}

const char *HevcPictureDecoder::Name()
{
    return "Tolvek HEVC decoder (libde265, threaded)";
}

int HevcPictureDecoder::Threads()
{
    // libde265 takes at most 32; beyond 8 a photo gains little.
    return std::clamp(QThread::idealThreadCount(), 1, 8);
}
