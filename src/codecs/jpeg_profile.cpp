// The colour profile of a JPEG file: a header-only pass of its own, so that the pixel reader
// stays as it is and a profile that cannot be read costs nothing but the profile.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "codecs/colour.h"
#include "codecs/jpeg_errors.h"
#include "codecs/jpeg_profile.h"

namespace codecs::detail {
namespace {

struct ProfilePass : JpegPass<jpeg_decompress_struct> {
    JOCTET* profile = nullptr;  // malloc'd by jpeg_read_icc_profile
    unsigned int size = 0;

    ProfilePass() = default;
    ProfilePass(const ProfilePass&) = delete;
    ProfilePass& operator=(const ProfilePass&) = delete;
    ~ProfilePass() { std::free(profile); }
};

// No C++ object with a destructor lives in this frame: libjpeg's errors longjmp here.
bool readProfile(ProfilePass& pass, const unsigned char* data, unsigned long size) {
    pass.info.err = useJpegErrors(pass.errors);
    if (setjmp(pass.errors.jump)) return false;
    jpeg_create_decompress(&pass.info);
    pass.created = true;
    jpeg_mem_src(&pass.info, data, size);
    jpeg_save_markers(&pass.info, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&pass.info, TRUE);
    return jpeg_read_icc_profile(&pass.info, &pass.profile, &pass.size) != 0;
}

Samples samplesOf(J_COLOR_SPACE space) {
    switch (space) {
        case JCS_GRAYSCALE:
            return Samples::Grey;
        case JCS_RGB:
        case JCS_YCbCr:
            return Samples::Rgb;
        case JCS_CMYK:
        case JCS_YCCK:
            return Samples::Cmyk;
        default:
            return Samples::Unknown;
    }
}

}  // namespace

ColourSource jpegColour(const QByteArray& jpeg) {
    ProfilePass pass;
    ColourSource source;
    if (!readProfile(pass, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                     static_cast<unsigned long>(jpeg.size())) ||
        !pass.profile || pass.size == 0 || pass.size > static_cast<unsigned int>(kMaxProfileBytes))
        return source;
    source.iccProfile =
        QByteArray(reinterpret_cast<const char*>(pass.profile), static_cast<qsizetype>(pass.size));
    source.samples = samplesOf(pass.info.jpeg_color_space);
    return source;
}

QByteArray jpegIccProfile(const QByteArray& jpeg) {
    return jpegColour(jpeg).iccProfile;
}

}  // namespace codecs::detail
