#pragma once

// The decoder of the HEVC pictures in HEIC/HEIF photos, handed to libheif in
// place of its own: libheif starts libde265 with one worker thread, so a
// photo of 12 million pixels takes about a second on one core. This one
// gives libde265 a thread per core (wavefront rows, deblocking and SAO run
// side by side) and hands back the same picture, colour description
// included. Used in the decoding helper, where the HEIC files are read.
class HevcPictureDecoder
{
public:
    // Registers the decoder with libheif, once per process; later calls do
    // nothing. Safe from any thread.
    static void Register();

    // The name libheif lists it under.
    static const char *Name();

    // The worker threads each picture is decoded with.
    static int Threads();
};
