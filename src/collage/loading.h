#pragma once

#include <functional>
#include <vector>

#include <QStringList>

#include "collage/document.h"

namespace collage {

// Reads `paths` as pieces, each by the piece rule of its name, with its thumbnail: the files are
// decoded on the worker pool, and the results come back in the given order whatever finished
// first. A file that cannot be read gives its reason instead of a picture; nothing throws.
// `finished(n)`, when given, is called on the calling thread as the first n files are done.
std::vector<LoadedFile> readPieceFiles(const QStringList& paths,
                                       const std::function<void(int finished)>& finished = {});

}  // namespace collage
