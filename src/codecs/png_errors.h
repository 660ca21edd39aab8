#pragma once

// libpng's error manager, one for reading and writing: an error keeps the library's message and
// longjmps back to the pass, which turns it into a base::Error. Warnings are dropped.

#include <png.h>

namespace codecs::detail {

// The longjmp lands on setjmp(png_jmpbuf(png)) in a frame of the pass that holds no C++ object
// with a destructor.
struct PngErrors {
    char message[256] = {};
};

// png_create_read_struct / png_create_write_struct reporting into `errors`; null when libpng
// has no memory for it.
png_structp createPngReader(PngErrors& errors);
png_structp createPngWriter(PngErrors& errors);

}  // namespace codecs::detail
