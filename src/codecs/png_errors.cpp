#include "codecs/png_errors.h"

#include <cstring>

namespace codecs::detail {
namespace {

void onError(png_structp png, png_const_charp text) {
    auto* errors = static_cast<PngErrors*>(png_get_error_ptr(png));
    std::strncpy(errors->message, text ? text : "", sizeof errors->message - 1);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

}  // namespace

png_structp createPngReader(PngErrors& errors) {
    return png_create_read_struct(PNG_LIBPNG_VER_STRING, &errors, onError, onWarning);
}

png_structp createPngWriter(PngErrors& errors) {
    return png_create_write_struct(PNG_LIBPNG_VER_STRING, &errors, onError, onWarning);
}

}  // namespace codecs::detail
