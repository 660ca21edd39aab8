#pragma once

// libjpeg's error manager, one for every libjpeg pass of the program: an error keeps the
// library's message and longjmps back to the pass, which turns it into a base::Error.

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace codecs::detail {

// The longjmp target is set by the pass with setjmp(errors.jump) in a frame that holds no C++
// object with a destructor. A pass with more to note puts this first in its own struct.
struct JpegErrors {
    jpeg_error_mgr pub;  // first: libjpeg hands back this address as cinfo->err
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Sets `errors` up (warnings and trace output dropped) and returns what goes into cinfo.err.
jpeg_error_mgr* useJpegErrors(JpegErrors& errors);

// A libjpeg decompressor or compressor with its error manager; destroyed with the holder once
// created. `Errors` starts with a JpegErrors.
template <typename Info, typename Errors = JpegErrors>
struct JpegPass {
    Info info{};
    Errors errors{};
    bool created = false;

    JpegPass() = default;
    JpegPass(const JpegPass&) = delete;
    JpegPass& operator=(const JpegPass&) = delete;
    ~JpegPass() {
        if (created) jpeg_destroy(reinterpret_cast<j_common_ptr>(&info));
    }
};

}  // namespace codecs::detail
