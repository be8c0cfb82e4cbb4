#pragma once

#include <csetjmp>

#include <cstdio>
#include <jpeglib.h>

// libjpeg reports fatal errors through error_exit, which must not return.
// JpegErrorManager's jumps back to the setjmp of the routine that uses it
// (with the library's message kept); such a routine keeps only plain data
// in its frame, so the jump skips no destructor.
struct JpegErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];

    static void ErrorExit(j_common_ptr cinfo)
    {
        auto *err = reinterpret_cast<JpegErrorManager *>(cinfo->err);
        (*cinfo->err->format_message)(cinfo, err->message);
        std::longjmp(err->jump, 1);
    }
};
