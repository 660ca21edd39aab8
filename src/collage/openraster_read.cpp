// Reading an OpenRaster document: the program's own (the same table back) or a painting program's.
#include <cmath>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <vector>

#include <zip.h>
#include <QFile>
#include <QXmlStreamReader>

#include "base/error.h"
#include "base/image.h"
#include "base/parallel.h"
#include "codecs/codecs.h"
#include "codecs/messages.h"
#include "collage/adding.h"
#include "collage/openraster.h"
#include "collage/openraster_format.h"
#include "collage/texts.h"

namespace collage {

namespace {

namespace t = ora::texts;

// Limits that keep a hostile archive small: the pieces' own limit bounds the layers, the pixel
// budget each picture, and all the layers together may hold this many budgets.
constexpr int kMaxEntries = 1024;
constexpr qint64 kMaxXmlBytes = qint64{1} << 20;
constexpr qint64 kMaxRatio = 1000;  // declared against stored size, for entries over 1 MiB
constexpr qint64 kMaxTotalPixels = base::kMaxPixels * 16;
// Photos kept losslessly take two to three bytes a pixel: room for all those pixels.
constexpr qint64 kMaxDocumentBytes = codecs::kMaxFileBytes * 16;
constexpr int kMaxDepth = 64;

const QString kOverOp = QStringLiteral("svg:src-over");

bool validName(const QString& name) {
    if (name.isEmpty() || name.startsWith(u'/') || name.contains(u'\\') ||
        (name.size() > 1 && name[1] == u':'))
        return false;
    QString body = name;
    if (body.endsWith(u'/')) body.chop(1);
    for (const QString& part : body.split(u'/')) {
        if (part.isEmpty() || part == u"." || part == u"..") return false;
        for (QChar c : part)
            if (c.unicode() < 0x20) return false;
    }
    return true;
}

struct ZipDeleter {
    void operator()(zip_t* z) const { zip_discard(z); }
};

// The archive's entries, checked by name and declared size before any is read. Entries are read
// one at a time (libzip's archive is not shared between threads), so callers may decode on
// several threads and read through one archive.
class Archive {
public:
    // Takes `source` over, whether or not it opens.
    explicit Archive(zip_source_t* source) {
        zip_error_t error;
        zip_error_init(&error);
        zip_.reset(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
        if (!zip_) {
            zip_source_free(source);
            const QString reason =
                t::zipError(zip_error_code_zip(&error), QString::fromLocal8Bit(zip_error_strerror(&error)));
            zip_error_fini(&error);
            throw base::Error(reason);
        }
        const zip_int64_t count = zip_get_num_entries(zip_.get(), 0);
        if (count > kMaxEntries) throw base::Error(t::tooManyEntries(count, kMaxEntries));
        qint64 total = 0;
        for (zip_int64_t i = 0; i < count; ++i) {
            zip_stat_t st;
            zip_stat_init(&st);
            if (zip_stat_index(zip_.get(), static_cast<zip_uint64_t>(i), 0, &st) < 0 ||
                !(st.valid & ZIP_STAT_NAME))
                throw base::Error(t::notZip(QString::fromLocal8Bit(zip_strerror(zip_.get()))));
            const QString name = QString::fromUtf8(st.name);
            if (!validName(name)) throw base::Error(t::badEntryName(name));
            if (entries_.count(name)) throw base::Error(t::duplicateEntry(name));
            const auto size = static_cast<qint64>(std::min<zip_uint64_t>(st.size, zip_uint64_t{1} << 62));
            const auto stored =
                static_cast<qint64>(std::min<zip_uint64_t>(st.comp_size, zip_uint64_t{1} << 62));
            if (size > codecs::kMaxFileBytes) throw base::Error(t::entryTooLarge(name, size));
            if (size > (qint64{1} << 20) && size / std::max<qint64>(stored, 1) > kMaxRatio)
                throw base::Error(t::entryRatio(name, size / std::max<qint64>(stored, 1)));
            total += size;
            if (total > kMaxDocumentBytes) throw base::Error(t::entryTooLarge(name, size));
            entries_[name] = Info{static_cast<zip_uint64_t>(i), size};
        }
    }

    static zip_source_t* bufferSource(const QByteArray& bytes) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source =
            zip_source_buffer_create(bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0, &error);
        if (!source) throw base::Error(t::notZip(QString::fromLocal8Bit(zip_error_strerror(&error))));
        return source;
    }

    static zip_source_t* fileSource(const QString& path) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_file_create(QFile::encodeName(path).constData(), 0, -1, &error);
        if (!source) throw base::Error(t::notZip(QString::fromLocal8Bit(zip_error_strerror(&error))));
        return source;
    }

    bool has(const QString& name) const { return entries_.count(name) > 0; }
    // The files, without folders.
    std::vector<QString> files() const {
        std::vector<QString> out;
        for (const auto& [name, info] : entries_)
            if (!name.endsWith(u'/')) out.push_back(name);
        return out;
    }

    // The whole entry; its real length must be the declared one, and its checksum right. With
    // `head`, only its first `head` bytes (fewer when it is shorter), unchecked.
    QByteArray read(const QString& name, qint64 limit = codecs::kMaxFileBytes, qint64 head = -1) const {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto it = entries_.find(name);
        if (it == entries_.end()) throw base::Error(t::missingEntry(name));
        const qint64 size = it->second.size;
        if (size > limit) throw base::Error(t::entryTooLarge(name, size));
        zip_file_t* file = zip_fopen_index(zip_.get(), it->second.index, 0);
        if (!file) throw base::Error(t::entryDamaged(name, QString::fromLocal8Bit(zip_strerror(zip_.get()))));
        if (head >= 0) {
            QByteArray out(static_cast<qsizetype>(std::min(head, size)), Qt::Uninitialized);
            const zip_int64_t n = zip_fread(file, out.data(), static_cast<zip_uint64_t>(out.size()));
            zip_fclose(file);
            out.truncate(static_cast<qsizetype>(std::max<zip_int64_t>(n, 0)));
            return out;
        }
        QByteArray out(static_cast<qsizetype>(size + 1), Qt::Uninitialized);
        qint64 got = 0;
        QString failure;
        for (;;) {
            const zip_int64_t n =
                zip_fread(file, out.data() + got, static_cast<zip_uint64_t>(out.size() - got));
            if (n < 0) {
                failure = t::zipError(zip_error_code_zip(zip_file_get_error(file)),
                                      QString::fromLocal8Bit(zip_file_strerror(file)));
                break;
            }
            if (n == 0) break;
            got += n;
            if (got > size) break;
        }
        zip_fclose(file);
        if (!failure.isEmpty()) throw base::Error(t::entryDamaged(name, failure));
        if (got != size) throw base::Error(t::entrySizeWrong(name, size));
        out.truncate(static_cast<qsizetype>(size));
        return out;
    }

private:
    struct Info {
        zip_uint64_t index;
        qint64 size;
    };
    std::unique_ptr<zip_t, ZipDeleter> zip_;
    std::map<QString, Info> entries_;
    mutable std::mutex mutex_;
};

// One layer of stack.xml, with what its stacks add to it.
struct LayerInfo {
    QString src;
    QString name;
    qint64 x = 0;
    qint64 y = 0;
    bool visible = true;
    double opacity = 1.0;
    QString compositeOp;  // the first that is not plain over, on the layer or a stack around it
    // The program's own attributes.
    bool background = false;
    QString file;
    bool hasFile = false;
    QString transparent;
    QString key;
    QString thumbnail;
};

struct StackInfo {
    QSize canvas;
    bool own = false;
    int format = 0;
    QString current;
    QString autoSize;
    QString backgroundColour;
    QString backgroundTile;
    std::vector<LayerInfo> layers;  // top first
};

qint64 integer(const QXmlStreamReader& xml, const QString& attribute, qint64 fallback) {
    const auto attrs = xml.attributes();
    if (!attrs.hasAttribute(attribute)) return fallback;
    const QString text = attrs.value(attribute).toString().trimmed();
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (ok) return v;
    // Some writers give positions as decimals.
    const double d = text.toDouble(&ok);
    if (ok && std::isfinite(d) && std::abs(d) < 1e15 && d == std::floor(d)) return static_cast<qint64>(d);
    throw base::Error(t::badValue(xml.name().toString(), attribute, text));
}

double fraction(const QXmlStreamReader& xml, const QString& attribute) {
    const auto attrs = xml.attributes();
    if (!attrs.hasAttribute(attribute)) return 1.0;
    const QString text = attrs.value(attribute).toString().trimmed();
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < 0 || v > 1)
        throw base::Error(t::badValue(xml.name().toString(), attribute, text));
    return v;
}

StackInfo parseStack(const QByteArray& bytes) {
    const QString ns = QString::fromLatin1(ora::kNamespace);
    QXmlStreamReader xml(bytes);
    StackInfo out;
    struct Frame {
        qint64 x = 0, y = 0;
        bool visible = true;
        double opacity = 1.0;
        QString compositeOp;
    };
    std::vector<Frame> frames;
    bool seenImage = false;
    int depth = 0;  // elements open
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::EntityReference ||
            !xml.entityDeclarations().isEmpty())
            throw base::Error(t::xmlDeclarations());
        if (token == QXmlStreamReader::EndElement) {
            --depth;
            if (xml.name() == u"stack" && !frames.empty()) frames.pop_back();
            continue;
        }
        if (token != QXmlStreamReader::StartElement) continue;
        if (++depth > kMaxDepth) throw base::Error(t::xmlError(xml.lineNumber(), QStringLiteral("depth")));
        const auto attrs = xml.attributes();
        const QString element = xml.name().toString();
        if (!seenImage) {
            if (element != u"image") throw base::Error(t::missingEntry(QStringLiteral("stack.xml <image>")));
            seenImage = true;
            const qint64 w = integer(xml, QStringLiteral("w"), 0), h = integer(xml, QStringLiteral("h"), 0);
            if (w < 1 || h < 1 || w > base::kMaxSide || h > base::kMaxSide)
                throw base::Error(
                    t::badValue(element, QStringLiteral("w, h"), QStringLiteral("%1 × %2").arg(w).arg(h)));
            if (!base::sizeAllowed(w, h)) throw base::Error(collage::texts::canvasTooLarge(w, h));
            out.canvas = QSize(static_cast<int>(w), static_cast<int>(h));
            if (attrs.hasAttribute(ns, QStringLiteral("format"))) {
                out.own = true;
                bool ok = false;
                out.format = attrs.value(ns, QStringLiteral("format")).toInt(&ok);
                if (!ok || out.format < 1)
                    throw base::Error(t::badValue(element, QStringLiteral("kadrel:format"),
                                                  attrs.value(ns, QStringLiteral("format")).toString()));
                if (out.format > ora::kFormatVersion) throw base::Error(t::newerFormat(out.format));
                out.current = attrs.value(ns, QStringLiteral("current")).toString();
                out.autoSize = attrs.value(ns, QStringLiteral("auto-size")).toString();
                out.backgroundColour = attrs.value(ns, QStringLiteral("background-colour")).toString();
                out.backgroundTile = attrs.value(ns, QStringLiteral("background-tile")).toString();
            }
            continue;
        }
        const Frame around = frames.empty() ? Frame{} : frames.back();
        if (element == u"stack") {
            if (frames.empty() && depth != 2) continue;
            Frame f = around;
            f.x += integer(xml, QStringLiteral("x"), 0);
            f.y += integer(xml, QStringLiteral("y"), 0);
            f.visible = f.visible && attrs.value(QStringLiteral("visibility")) != u"hidden";
            f.opacity *= fraction(xml, QStringLiteral("opacity"));
            const QString op = attrs.value(QStringLiteral("composite-op")).toString();
            if (f.compositeOp.isEmpty() && !op.isEmpty() && op != kOverOp) f.compositeOp = op;
            if (std::abs(f.x) > (qint64{1} << 40) || std::abs(f.y) > (qint64{1} << 40))
                throw base::Error(
                    t::badValue(element, QStringLiteral("x, y"), QStringLiteral("%1, %2").arg(f.x).arg(f.y)));
            frames.push_back(f);
        } else if (element == u"layer" && !frames.empty()) {
            if (out.layers.size() > static_cast<std::size_t>(kMaxPieces))
                throw base::Error(t::tooManyLayers(kMaxPieces));
            LayerInfo l;
            l.src = attrs.value(QStringLiteral("src")).toString();
            l.name = attrs.value(QStringLiteral("name")).toString();
            const qint64 x = integer(xml, QStringLiteral("x"), 0), y = integer(xml, QStringLiteral("y"), 0);
            if (std::abs(x) > (qint64{1} << 40) || std::abs(y) > (qint64{1} << 40))
                throw base::Error(
                    t::badValue(element, QStringLiteral("x, y"), QStringLiteral("%1, %2").arg(x).arg(y)));
            l.x = around.x + x;
            l.y = around.y + y;
            l.visible = around.visible && attrs.value(QStringLiteral("visibility")) != u"hidden";
            l.opacity = around.opacity * fraction(xml, QStringLiteral("opacity"));
            const QString op = attrs.value(QStringLiteral("composite-op")).toString();
            l.compositeOp = !around.compositeOp.isEmpty() ? around.compositeOp
                                                          : (op.isEmpty() || op == kOverOp ? QString() : op);
            l.background = attrs.value(ns, QStringLiteral("background")) == u"1";
            l.hasFile = attrs.hasAttribute(ns, QStringLiteral("file"));
            l.file = attrs.value(ns, QStringLiteral("file")).toString();
            l.transparent = attrs.value(ns, QStringLiteral("transparent")).toString();
            l.key = attrs.value(ns, QStringLiteral("key")).toString();
            l.thumbnail = attrs.value(ns, QStringLiteral("thumbnail")).toString();
            if (l.src.isEmpty()) throw base::Error(t::badValue(element, QStringLiteral("src"), QString()));
            out.layers.push_back(std::move(l));
        }
    }
    if (xml.hasError()) throw base::Error(t::xmlError(xml.lineNumber(), xml.errorString()));
    if (!seenImage) throw base::Error(t::missingEntry(QStringLiteral("stack.xml <image>")));
    return out;
}

// Decodes every job side by side; the first failure (in order) wins.
void decodeAll(int count, const std::function<void(int)>& job) {
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(count));
    base::parallelFor(count, [&](int i) {
        try {
            job(i);
        } catch (...) {
            failures[static_cast<std::size_t>(i)] = std::current_exception();
        }
    });
    for (const auto& f : failures)
        if (f) std::rethrow_exception(f);
}

// The sizes in the headers of the PNGs about to be decoded, checked one by one and together
// before any is read whole.
void checkPixels(const Archive& archive, const std::vector<QString>& names) {
    qint64 total = 0;
    for (const QString& name : names) {
        const auto size = ora::pngSize(archive.read(name, codecs::kMaxFileBytes, 33));
        if (!size) throw base::Error(t::layerUnreadable(name, codecs::messages::pngNotPng()));
        try {
            base::checkSize(size->width(), size->height());
        } catch (const base::Error& e) {
            throw base::Error(t::layerUnreadable(name, e.text()));
        }
        total += qint64{size->width()} * size->height();
    }
    if (total > kMaxTotalPixels) throw base::Error(t::layersTooLarge(total, kMaxTotalPixels));
}

bool flag(const QString& element, const QString& attribute, const QString& text) {
    if (text == u"1") return true;
    if (text == u"0") return false;
    throw base::Error(t::badValue(element, attribute, text));
}

base::Colour colour(const QString& element, const QString& attribute, const QString& text) {
    const auto c = ora::parseColour(text);
    if (!c) throw base::Error(t::badValue(element, attribute, text));
    return *c;
}

void checkPosition(qint64 x, qint64 y) {
    for (qint64 v : {x, y})
        if (v < -kMaxPosition || v > kMaxPosition) throw base::Error(collage::texts::positionOutOfRange(v));
}

OpenedArrangement readOwn(const Archive& archive, const StackInfo& stack) {
    const QString layer = QStringLiteral("layer"), image = QStringLiteral("image");
    if (stack.layers.empty() || !stack.layers.back().background)
        throw base::Error(t::missingEntry(QString::fromLatin1(ora::kBackgroundName)));
    const std::size_t count = stack.layers.size() - 1;
    // Every file the document must hold, and no other.
    std::set<QString> expected{QStringLiteral("mimetype"), QString::fromLatin1(ora::kStackName),
                               QString::fromLatin1(ora::kMergedName),
                               QString::fromLatin1(ora::kThumbnailName), stack.layers.back().src};
    if (!stack.backgroundTile.isEmpty()) expected.insert(stack.backgroundTile);
    for (std::size_t i = 0; i < count; ++i) {
        const LayerInfo& l = stack.layers[i];
        if (l.background)
            throw base::Error(t::badValue(layer, QStringLiteral("kadrel:background"), QStringLiteral("1")));
        checkPosition(l.x, l.y);
        if (!expected.insert(l.src).second) throw base::Error(t::duplicateEntry(l.src));
        if (!l.thumbnail.isEmpty() && !expected.insert(l.thumbnail).second)
            throw base::Error(t::duplicateEntry(l.thumbnail));
    }
    for (const QString& name : expected)
        if (!archive.has(name)) throw base::Error(t::missingEntry(name));
    for (const QString& name : archive.files())
        if (!expected.count(name)) throw base::Error(t::extraEntry(name));

    // Slot i is stack layer count - 1 - i: the first layer is the top piece.
    std::vector<QString> names;
    for (const LayerInfo& l : stack.layers) {
        if (l.background) continue;
        names.push_back(l.src);
        if (!l.thumbnail.isEmpty()) names.push_back(l.thumbnail);
    }
    if (!stack.backgroundTile.isEmpty()) names.push_back(stack.backgroundTile);
    checkPixels(archive, names);

    std::vector<Piece> slots(count);
    Background background;
    background.colour = colour(image, QStringLiteral("kadrel:background-colour"), stack.backgroundColour);
    auto stored = [&](const QString& name) {
        try {
            return ora::storedColours(archive.read(name));
        } catch (const base::Error& e) {
            throw base::Error(t::layerUnreadable(name, e.text()));
        }
    };
    decodeAll(static_cast<int>(count) + 1, [&](int j) {
        if (j == static_cast<int>(count)) {
            if (!stack.backgroundTile.isEmpty()) background.picture = stored(stack.backgroundTile);
            return;
        }
        const auto i = static_cast<std::size_t>(j);
        const LayerInfo& l = stack.layers[count - 1 - i];
        Piece& p = slots[i];
        p.picture = stored(l.src);
        if (!l.thumbnail.isEmpty()) p.thumbnail = stored(l.thumbnail);
        p.pieceRect =
            Rect{static_cast<int>(l.x), static_cast<int>(l.y), p.picture.width(), p.picture.height()};
        p.pieceFile = l.file;
        p.transparent = flag(layer, QStringLiteral("kadrel:transparent"), l.transparent);
        p.pieceTransColor = colour(layer, QStringLiteral("kadrel:key"), l.key);
    });
    bool ok = false;
    const int current = stack.current.toInt(&ok);
    if (!ok || current < 0 || (count > 0 && current >= static_cast<int>(count)) ||
        (count == 0 && current != 0))
        throw base::Error(t::badValue(image, QStringLiteral("kadrel:current"), stack.current));
    const bool autoSize = flag(image, QStringLiteral("kadrel:auto-size"), stack.autoSize);
    return {PieceTable::restore(std::move(slots), current, stack.canvas, autoSize, std::move(background)),
            {}};
}

OpenedArrangement readForeign(const Archive& archive, const StackInfo& stack) {
    QStringList lost;
    std::vector<const LayerInfo*> kept;  // bottom first
    for (auto it = stack.layers.rbegin(); it != stack.layers.rend(); ++it) {
        const LayerInfo& l = *it;
        if (!l.visible) continue;
        const QString name = l.name.isEmpty() ? t::untitledLayer() : l.name;
        if (!l.src.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) {
            lost << t::notPngItem(name, l.src);
            continue;
        }
        if (l.x < -kMaxPosition || l.x > kMaxPosition || l.y < -kMaxPosition || l.y > kMaxPosition) {
            lost << t::offsetItem(name, l.x, l.y);
            continue;
        }
        if (l.opacity < 1.0) lost << t::opacityItem(name, QString::number(l.opacity));
        if (!l.compositeOp.isEmpty()) lost << t::compositeItem(name, l.compositeOp);
        kept.push_back(&l);
    }
    if (kept.size() > static_cast<std::size_t>(kMaxPieces))
        throw base::Error(collage::texts::tooManyPieces());
    const std::size_t count = kept.size();
    // A picture named by several layers is read once and shared.
    std::vector<std::size_t> firstOf(count);
    std::map<QString, std::size_t> seen;
    std::vector<QString> names;
    for (std::size_t i = 0; i < count; ++i) {
        const auto [it, fresh] = seen.emplace(kept[i]->src, i);
        firstOf[i] = it->second;
        if (fresh) names.push_back(kept[i]->src);
    }
    checkPixels(archive, names);
    std::vector<Piece> slots(count);
    std::vector<char> seeThrough(count, 0);
    decodeAll(static_cast<int>(count), [&](int j) {
        const auto i = static_cast<std::size_t>(j);
        if (firstOf[i] != i) return;
        const LayerInfo& l = *kept[i];
        Piece& p = slots[i];
        try {
            const QByteArray bytes = archive.read(l.src);
            // The same reader as a PNG piece: alpha drawn over black, colours made sRGB. The
            // notice names the layers where that shows.
            seeThrough[i] = ora::hasTransparency(bytes);
            p.picture = codecs::decode(bytes, codecs::Format::Png);
        } catch (const base::Error& e) {
            throw base::Error(t::layerUnreadable(l.src, e.text()));
        }
        p.thumbnail =
            base::toBgr(p.picture.scaled(100, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    });
    for (std::size_t i = 0; i < count; ++i) {
        const LayerInfo& l = *kept[i];
        Piece& p = slots[i];
        if (firstOf[i] != i) {
            p.picture = slots[firstOf[i]].picture;
            p.thumbnail = slots[firstOf[i]].thumbnail;
            seeThrough[i] = seeThrough[firstOf[i]];
        }
        p.pieceFile = l.name;
        p.pieceRect =
            Rect{static_cast<int>(l.x), static_cast<int>(l.y), p.picture.width(), p.picture.height()};
        p.pieceTransColor = base::pixelAt(p.picture, 0, 0);
    }
    OpenedArrangement out{
        PieceTable::restore(std::move(slots), static_cast<int>(count) - 1, stack.canvas, false, Background{}),
        {}};
    for (std::size_t i = count; i-- > 0;)
        if (seeThrough[i])
            lost << t::transparencyItem(kept[i]->name.isEmpty() ? t::untitledLayer() : kept[i]->name);
    if (!lost.isEmpty()) out.notices << t::notKept(lost);
    return out;
}

OpenedArrangement decode(zip_source_t* source) {
    const Archive archive(source);
    if (!archive.has(QStringLiteral("mimetype")))
        throw base::Error(t::missingEntry(QStringLiteral("mimetype")));
    if (archive.read(QStringLiteral("mimetype"), 64) != ora::kMimeType) throw base::Error(t::wrongMimeType());
    const StackInfo stack = parseStack(archive.read(QString::fromLatin1(ora::kStackName), kMaxXmlBytes));
    return stack.own ? readOwn(archive, stack) : readForeign(archive, stack);
}

template <typename Source>
OpenedArrangement decodeNamed(const QString& name, Source source) {
    try {
        return decode(source());
    } catch (const base::Error& e) {
        throw base::Error(t::cannotOpen(name, e.text()));
    } catch (const std::bad_alloc&) {
        throw base::Error(t::cannotOpen(name, codecs::messages::outOfMemory()));
    }
}

}  // namespace

OpenedArrangement decodeOpenRaster(const QByteArray& bytes, const QString& name) {
    return decodeNamed(name, [&] { return Archive::bufferSource(bytes); });
}

OpenedArrangement openOpenRaster(const QString& path) {
    // The system's own reason for a file that cannot be opened; the archive itself is read
    // entry by entry, never whole.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw base::Error(t::cannotOpen(path, codecs::messages::fileError(path, file.errorString(), false)));
    file.close();
    return decodeNamed(path, [&] { return Archive::fileSource(path); });
}

}  // namespace collage
