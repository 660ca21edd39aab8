// The arrangement reader: the bytes as a document file. What it opens must keep the table's
// rules, and a table it opens must save and open again as the same table.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "base/error.h"
#include "base/image.h"
#include "collage/adding.h"
#include "collage/openraster.h"
#include "harness.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_ora: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString name = QStringLiteral("fuzz.ora");
    try {
        const collage::OpenedArrangement opened = collage::decodeOpenRaster(fuzz::bytesOf(data, size), name);
        const collage::PieceTable& t = opened.table;
        if (t.pieceCount() > collage::kMaxPieces) fail("too many pieces");
        if (!base::sizeAllowed(t.canvas().width(), t.canvas().height())) fail("a canvas outside the budget");
        for (const collage::Piece& p : t.slots()) {
            fuzz::checkPicture(p.picture);
            if (p.pieceRect.width != p.picture.width() || p.pieceRect.height != p.picture.height())
                fail("a rectangle that is not its picture's size");
        }
        if (!(collage::decodeOpenRaster(collage::encodeOpenRaster(t), name).table == t))
            fail("a table that does not open again as itself");
    } catch (const base::Error& e) {
        if (e.text().isEmpty() || !e.text().contains(name)) fail("a refusal that does not name the file");
    }
    return 0;
}
