#include "collage/loading.h"

#include <new>

#include "base/error.h"
#include "base/messages.h"
#include "base/parallel.h"
#include "codecs/codecs.h"
#include "collage/thumbnail.h"

namespace collage {

std::vector<LoadedFile> readPieceFiles(const QStringList& paths, const std::function<void(int)>& finished) {
    std::vector<LoadedFile> out(static_cast<std::size_t>(paths.size()));
    base::parallelFor(
        static_cast<int>(paths.size()),
        [&](int i) {
            LoadedFile& f = out[static_cast<std::size_t>(i)];
            f.path = paths[i];
            try {
                f.picture = codecs::readFile(f.path, codecs::pieceFormat(f.path));
                f.thumbnail = addedThumbnail(f.picture);
            } catch (const std::bad_alloc&) {
                f.picture = QImage();
                f.error = base::messages::outOfMemory();
            } catch (const std::exception& e) {
                f.picture = QImage();
                f.error = QString::fromUtf8(e.what());
            }
        },
        finished);
    return out;
}

}  // namespace collage
