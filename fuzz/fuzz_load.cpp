// The loader as the windows use it: a file on disk, its decoder chosen from the name by one of
// the two extension rules, read through readFile().
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "base/error.h"
#include "harness.h"

namespace {

QTemporaryDir* folder = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::setUp();
    // In memory where there is a tmpfs: rewriting one small file on disk waits for the disk each time.
    const QString shm = QStringLiteral("/dev/shm");
    folder = QDir(shm).exists() ? new QTemporaryDir(shm + QStringLiteral("/kadrel-fuzz-XXXXXX"))
                                : new QTemporaryDir;  // kept to the end: libFuzzer leaves by exit()
    if (!folder->isValid()) {
        std::fprintf(stderr, "fuzz_load: no temporary folder\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const fuzz::LoaderCase which = fuzz::loaderCase(data[0]);
    const QString path = folder->filePath(which.fileName);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char*>(data + 1), static_cast<qint64>(size - 1)) !=
                static_cast<qint64>(size - 1)) {
            std::fprintf(stderr, "fuzz_load: cannot write %s\n", qPrintable(path));
            std::abort();
        }
    }
    try {
        const codecs::Format format =
            which.pieceRule ? codecs::pieceFormat(path) : codecs::formatByExtension(path);
        fuzz::checkPicture(codecs::readFile(path, format));
    } catch (const base::Error& e) {
        if (e.text().isEmpty()) std::abort();
    }
    return 0;
}
