#pragma once

#include <cstddef>
#include <cstdint>

#include <QByteArray>
#include <QString>

#include "codecs/codecs.h"

namespace fuzz {

// Once per process: the same reader limits the program sets at start.
void setUp();

// Decodes and checks what came back; a base::Error is a normal refusal. Anything else (another
// exception, a picture outside the budget or not 24-bit) aborts so that libFuzzer keeps the input.
void decodeChecked(const QByteArray& data, codecs::Format format);

// The loader's input: the first byte picks a file name (and so the decoder) and the rule, the
// rest is the file.
struct LoaderCase {
    QString fileName;
    bool pieceRule =
        false;  // pieces: exact .bmp/.gif/.png/.webp/.heic/.heif/.avif, else JPEG; otherwise any case
};
LoaderCase loaderCase(std::uint8_t selector);
// The selector byte that gives `fileName` under the any-case rule (for the seeds).
std::uint8_t selectorFor(const QString& extension);

void checkPicture(const QImage& picture);

QByteArray bytesOf(const std::uint8_t* data, std::size_t size);

}  // namespace fuzz
