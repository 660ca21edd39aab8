// The loader as the windows use it: a file on disk, its decoder chosen from the name by one of
// the two extension rules, read through readFile(); and the same file read a band of rows at a
// time as the commands read it, which must give the same pixels or the same refusal.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "base/error.h"
#include "codecs/rows.h"
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
    QImage whole;
    QString wholeRefusal;
    try {
        const codecs::Format format =
            which.pieceRule ? codecs::pieceFormat(path) : codecs::formatByExtension(path);
        whole = codecs::readFile(path, format);
        fuzz::checkPicture(whole);
    } catch (const base::Error& e) {
        if (e.text().isEmpty()) std::abort();
        wholeRefusal = e.text();
    }
    QImage rows;
    QString rowsRefusal;
    try {
        const codecs::Format format =
            which.pieceRule ? codecs::pieceFormat(path) : codecs::formatByExtension(path);
        const auto reader = codecs::RowReader::open(path, format);
        const int step = 1 + static_cast<int>(size % 17);
        for (int y = 0; y < reader->size().height(); y += step) reader->readTo(y + step);
        rows = reader->picture();
    } catch (const base::Error& e) {
        rowsRefusal = e.text();
    }
    if (rowsRefusal != wholeRefusal) {
        std::fprintf(stderr, "fuzz: read whole: '%s'; in bands: '%s'\n", qPrintable(wholeRefusal),
                     qPrintable(rowsRefusal));
        std::abort();
    }
    if (wholeRefusal.isEmpty() && rows != whole) {
        std::fprintf(stderr, "fuzz: the rows read in bands differ from the whole picture\n");
        std::abort();
    }
    return 0;
}
