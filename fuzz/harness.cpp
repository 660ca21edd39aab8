#include "harness.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include <QImage>
#include <QtGlobal>

#include "base/error.h"
#include "base/image.h"

namespace fuzz {
namespace {

// Both rules see each extension in several letter cases, and a few names no reader takes.
constexpr std::array<const char*, 24> kNames = {"a.bmp",  "a.BMP",  "a.Bmp",  "a.jpg",  "a.JPEG", "a.jpe",
                                                "a.gif",  "a.GIF",  "a.Gif",  "a.png",  "a.PNG",  "a.pNg",
                                                "a.ico",  "a.ICO",  "a.webp", "a.WEBP", "a.WebP", "a.heic",
                                                "a.HEIF", "a.avif", "a.AVIF", "a.Heic", "a.txt",  "no-dot"};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

}  // namespace

void setUp() {
    // Qt's readers warn on every bad seek; printing them would cost more than the decoding.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    codecs::limitQtReaders();
}

void checkPicture(const QImage& picture) {
    if (picture.isNull()) fail("a null picture returned as a success");
    if (picture.format() != QImage::Format_BGR888) fail("a picture not in BGR888");
    if (!base::sizeAllowed(picture.width(), picture.height())) fail("a picture outside the budget");
}

void decodeChecked(const QByteArray& data, codecs::Format format) {
    try {
        checkPicture(codecs::decode(data, format));
    } catch (const base::Error& e) {
        if (e.text().isEmpty()) fail("a refusal without a reason");
    }
}

LoaderCase loaderCase(std::uint8_t selector) {
    return {QString::fromLatin1(kNames[selector % kNames.size()]), (selector / kNames.size()) % 2 == 1};
}

std::uint8_t selectorFor(const QString& extension) {
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (QString::fromLatin1(kNames[i]).endsWith(extension, Qt::CaseInsensitive))
            return static_cast<std::uint8_t>(i);
    return 0;
}

QByteArray bytesOf(const std::uint8_t* data, std::size_t size) {
    // A deep copy: the decoders must not rely on bytes past the end that a raw view would hide.
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

}  // namespace fuzz
