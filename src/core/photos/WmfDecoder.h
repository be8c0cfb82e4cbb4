#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Windows metafiles through libwmf's gd output. libwmf's headers define
// names (U8, U16, U32) that break Qt's, so this class is kept free of Qt
// and its source file includes no Qt header.
class WmfDecoder
{
public:
    struct Result
    {
        bool ok = false;
        unsigned width = 0;
        unsigned height = 0;
        std::vector<unsigned char> png; // the drawing as a PNG file
        std::string problem;            // in Dutch, when not ok
    };

    // Plays the metafile at 96 pixels per inch, reduced when that would
    // exceed maxPixels. The drawing comes back as PNG: libwmf frees its own
    // image only on that road (the in-memory image it hands out has no
    // function to release it).
    static Result Decode(const unsigned char *data, std::size_t size, std::uint64_t maxPixels);
};
