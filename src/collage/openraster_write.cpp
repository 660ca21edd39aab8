// Writing an arrangement as an OpenRaster document.
#include <algorithm>
#include <functional>
#include <memory>
#include <new>
#include <vector>

#include <zip.h>
#include <QFileInfo>
#include <QXmlStreamWriter>

#include "base/error.h"
#include "base/image.h"
#include "base/parallel.h"
#include "codecs/codecs.h"
#include "codecs/messages.h"
#include "collage/openraster.h"
#include "collage/openraster_format.h"
#include "collage/texts.h"

namespace collage {

namespace {

using namespace ora;

struct Entry {
    QString name;
    QByteArray bytes;
    bool compress = false;
};

QString ownAttribute(const char* name) {
    return QString::fromLatin1(name);
}

QByteArray stackXml(const PieceTable& table) {
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    const QString ns = QString::fromLatin1(kNamespace);
    xml.writeNamespace(ns, QString::fromLatin1(kPrefix));
    xml.writeStartElement(QStringLiteral("image"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("0.0.6"));
    xml.writeAttribute(QStringLiteral("w"), QString::number(table.canvas().width()));
    xml.writeAttribute(QStringLiteral("h"), QString::number(table.canvas().height()));
    xml.writeAttribute(QStringLiteral("xres"), QStringLiteral("72"));
    xml.writeAttribute(QStringLiteral("yres"), QStringLiteral("72"));
    xml.writeAttribute(ns, ownAttribute("format"), QString::number(kFormatVersion));
    xml.writeAttribute(ns, ownAttribute("current"), QString::number(table.pickIndex()));
    xml.writeAttribute(ns, ownAttribute("auto-size"),
                       table.autoSize() ? QStringLiteral("1") : QStringLiteral("0"));
    xml.writeAttribute(ns, ownAttribute("background-colour"), colourText(table.background().colour));
    if (!table.background().picture.isNull())
        xml.writeAttribute(ns, ownAttribute("background-tile"), QString::fromLatin1(kTileName));
    xml.writeStartElement(QStringLiteral("stack"));
    for (int i = table.pieceCount() - 1; i >= 0; --i) {
        const Piece& p = table.piece(i);
        xml.writeStartElement(QStringLiteral("layer"));
        xml.writeAttribute(QStringLiteral("src"), layerName(i));
        const QString name =
            p.pieceFile.isEmpty() ? collage::texts::pastedPiece() : QFileInfo(p.pieceFile).fileName();
        xml.writeAttribute(QStringLiteral("name"), name);
        xml.writeAttribute(QStringLiteral("x"), QString::number(p.pieceRect.left));
        xml.writeAttribute(QStringLiteral("y"), QString::number(p.pieceRect.top));
        xml.writeAttribute(ns, ownAttribute("file"), p.pieceFile);
        xml.writeAttribute(ns, ownAttribute("transparent"),
                           p.transparent ? QStringLiteral("1") : QStringLiteral("0"));
        xml.writeAttribute(ns, ownAttribute("key"), colourText(p.pieceTransColor));
        if (!p.thumbnail.isNull()) xml.writeAttribute(ns, ownAttribute("thumbnail"), pieceThumbnailName(i));
        xml.writeEndElement();
    }
    xml.writeStartElement(QStringLiteral("layer"));
    xml.writeAttribute(QStringLiteral("src"), QString::fromLatin1(kBackgroundName));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("背景"));
    xml.writeAttribute(QStringLiteral("x"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("y"), QStringLiteral("0"));
    xml.writeAttribute(ns, ownAttribute("background"), QStringLiteral("1"));
    xml.writeEndElement();
    xml.writeEndElement();  // stack
    xml.writeEndElement();  // image
    xml.writeEndDocument();
    return out;
}

QImage thumbnailOf(const QImage& composite) {
    const QSize size = composite.size()
                           .scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio)
                           .expandedTo(QSize(1, 1))
                           .boundedTo(composite.size());
    if (size == composite.size()) return composite;
    return base::toBgr(composite.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

// The bottom layer: the tiled picture over the canvas, or a plain colour as a one-colour palette
// picture (a third of the bytes to hold and to filter).
QByteArray backgroundPng(const PieceTable& table) {
    const Background& b = table.background();
    if (!b.picture.isNull()) return opaquePng(fillBackground(table.canvas(), b));
    QImage plain = base::makeIndexed(table.canvas().width(), table.canvas().height());
    plain.setColorTable({base::toQRgb(b.colour)});
    plain.fill(0u);
    return codecs::encode(plain, codecs::Format::Png);
}

// The pictures, each encoded on its own: pieces, the background layer, the tile, the thumbnails,
// the merged picture and the document's thumbnail.
std::vector<Entry> pictureEntries(const PieceTable& table) {
    std::vector<std::function<Entry()>> jobs;
    // The merged picture is exactly what saving the joined picture as PNG writes. The largest
    // job starts first, so that the pieces fill the other threads meanwhile.
    std::vector<Entry> merged(2);
    jobs.push_back([&] {
        QImage composite = composeTable(table);
        merged[0] = Entry{QString::fromLatin1(kMergedName), codecs::encode(composite, codecs::Format::Png)};
        merged[1] = Entry{QString::fromLatin1(kThumbnailName), opaquePng(thumbnailOf(composite))};
        return Entry{};
    });
    for (int i = 0; i < table.pieceCount(); ++i) {
        const Piece& p = table.piece(i);
        jobs.push_back([&p, i] {
            return Entry{layerName(i),
                         p.transparent ? keyedPng(p.picture, p.pieceTransColor) : opaquePng(p.picture)};
        });
        if (!p.thumbnail.isNull())
            jobs.push_back([&p, i] { return Entry{pieceThumbnailName(i), opaquePng(p.thumbnail)}; });
    }
    jobs.push_back([&table] { return Entry{QString::fromLatin1(kBackgroundName), backgroundPng(table)}; });
    if (!table.background().picture.isNull())
        jobs.push_back([&table] {
            return Entry{QString::fromLatin1(kTileName), opaquePng(table.background().picture)};
        });
    std::vector<Entry> out(jobs.size());
    base::parallelFor(static_cast<int>(jobs.size()),
                      [&](int i) { out[static_cast<std::size_t>(i)] = jobs[static_cast<std::size_t>(i)](); });
    out.erase(out.begin());
    out.push_back(std::move(merged[0]));
    out.push_back(std::move(merged[1]));
    return out;
}

QString zipReason(zip_error_t* error) {
    return QString::fromLocal8Bit(zip_error_strerror(error));
}

struct ZipSourceDeleter {
    void operator()(zip_source_t* s) const { zip_source_free(s); }
};

// Builds the archive in memory, the stored mimetype first with no extra field, so that its name
// starts at byte 30 and its content at byte 38, where type detection looks.
QByteArray zipOf(const std::vector<Entry>& entries) {
    zip_error_t error;
    zip_error_init(&error);
    std::unique_ptr<zip_source_t, ZipSourceDeleter> buffer(zip_source_buffer_create(nullptr, 0, 0, &error));
    if (!buffer) throw base::Error(zipReason(&error));
    zip_t* archive = zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error);
    if (!archive) throw base::Error(zipReason(&error));
    zip_source_keep(buffer.get());  // the archive's close gives up its hold; the bytes stay here
    auto fail = [&] {
        const QString reason = QString::fromLocal8Bit(zip_strerror(archive));
        zip_discard(archive);
        throw base::Error(reason);
    };
    for (const Entry& e : entries) {
        zip_source_t* source =
            zip_source_buffer(archive, e.bytes.constData(), static_cast<zip_uint64_t>(e.bytes.size()), 0);
        if (!source) fail();
        const QByteArray name = e.name.toUtf8();
        const zip_int64_t index = zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            fail();
        }
        const auto i = static_cast<zip_uint64_t>(index);
        if (zip_set_file_compression(archive, i, e.compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0) < 0) fail();
        zip_file_extra_field_delete(archive, i, ZIP_EXTRA_FIELD_ALL, ZIP_FL_LOCAL | ZIP_FL_CENTRAL);
    }
    if (zip_close(archive) < 0) fail();

    zip_source_t* s = buffer.get();
    if (zip_source_open(s) < 0) throw base::Error(zipReason(zip_source_error(s)));
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_source_stat(s, &st) < 0 || !(st.valid & ZIP_STAT_SIZE)) {
        zip_source_close(s);
        throw base::Error(zipReason(zip_source_error(s)));
    }
    QByteArray out(static_cast<qsizetype>(st.size), Qt::Uninitialized);
    const zip_int64_t got = zip_source_read(s, out.data(), st.size);
    zip_source_close(s);
    if (got != static_cast<zip_int64_t>(st.size)) throw base::Error(zipReason(zip_source_error(s)));
    return out;
}

}  // namespace

QByteArray encodeOpenRaster(const PieceTable& table) {
    std::vector<Entry> entries;
    entries.push_back(Entry{QStringLiteral("mimetype"), QByteArray(kMimeType)});
    entries.push_back(Entry{QString::fromLatin1(kStackName), stackXml(table), true});
    std::vector<Entry> pictures = pictureEntries(table);
    for (Entry& e : pictures) entries.push_back(std::move(e));
    return zipOf(entries);
}

void saveOpenRaster(const PieceTable& table, const QString& path) {
    QByteArray bytes;
    try {
        bytes = encodeOpenRaster(table);
    } catch (const base::Error& e) {
        throw base::Error(ora::texts::cannotSave(path, e.text()));
    } catch (const std::bad_alloc&) {
        throw base::Error(ora::texts::cannotSave(path, codecs::messages::outOfMemory()));
    }
    codecs::saveBytes(path, bytes);
}

bool isOpenRasterName(const QString& path) {
    return path.endsWith(QStringLiteral(".ora"), Qt::CaseInsensitive);
}

}  // namespace collage
