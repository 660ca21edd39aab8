#include "collage/openraster_format.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <png.h>
#include <zip.h>
#include <zlib.h>

#include "base/error.h"
#include "base/image.h"
#include "codecs/codecs.h"
#include "codecs/messages.h"

namespace collage::ora {

QString layerName(int slot) {
    return QStringLiteral("data/piece-%1.png").arg(slot);
}

QString pieceThumbnailName(int slot) {
    return QStringLiteral("kadrel/thumbnail-%1.png").arg(slot);
}

QString colourText(base::Colour c) {
    return QStringLiteral("#%1%2%3")
        .arg(base::red(c), 2, 16, QLatin1Char('0'))
        .arg(base::green(c), 2, 16, QLatin1Char('0'))
        .arg(base::blue(c), 2, 16, QLatin1Char('0'));
}

std::optional<base::Colour> parseColour(const QString& text) {
    if (text.size() != 7 || text[0] != u'#') return std::nullopt;
    bool ok = false;
    const uint v = text.mid(1).toUInt(&ok, 16);
    if (!ok) return std::nullopt;
    return base::rgb(static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                     static_cast<std::uint8_t>(v));
}

QByteArray opaquePng(const QImage& bgr) {
    return codecs::encode(base::toBgr(bgr), codecs::Format::Png);
}

namespace {

// libpng's simplified interface keeps its state in the png_image: nothing is shared between
// threads, and every failure comes back as a flag with a message.
struct SimpleImage {
    png_image image;
    SimpleImage() {
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
    }
    SimpleImage(const SimpleImage&) = delete;
    SimpleImage& operator=(const SimpleImage&) = delete;
    ~SimpleImage() { png_image_free(&image); }
    QString message() const { return QString::fromLatin1(image.message); }
};

}  // namespace

QByteArray keyedPng(const QImage& picture, base::Colour key) {
    // An RGB PNG whose tRNS chunk names the key: every reader takes exactly the pixels of that
    // colour as transparent and all others as opaque, and the colours stay as they are.
    QByteArray png = opaquePng(picture);
    const qsizetype idat = png.indexOf("IDAT");
    if (idat < 12) throw base::Error(codecs::messages::pngNotWritten(QStringLiteral("IDAT")));
    QByteArray chunk("\0\0\0\x06tRNS", 8);
    for (const std::uint8_t c : {base::red(key), base::green(key), base::blue(key)})
        chunk.append('\0').append(static_cast<char>(c));
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(chunk.constData() + 4), static_cast<uInt>(chunk.size() - 4)));
    for (int shift = 24; shift >= 0; shift -= 8) chunk.append(static_cast<char>((crc >> shift) & 0xFF));
    png.insert(idat - 4, chunk);  // before the length of the first IDAT
    return png;
}

std::optional<QSize> pngSize(const QByteArray& png) {
    static const unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (png.size() < 24 || std::memcmp(png.constData(), kSignature, 8) != 0 ||
        std::memcmp(png.constData() + 12, "IHDR", 4) != 0)
        return std::nullopt;
    auto word = [&](int at) {
        const auto* b = reinterpret_cast<const unsigned char*>(png.constData() + at);
        return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
    };
    const std::uint32_t w = word(16), h = word(20);
    if (w > 0x7FFFFFFF || h > 0x7FFFFFFF) return QSize(-1, -1);
    return QSize(static_cast<int>(w), static_cast<int>(h));
}

QImage storedColours(const QByteArray& bytes) {
    SimpleImage png;
    if (!png_image_begin_read_from_memory(&png.image, bytes.constData(),
                                          static_cast<std::size_t>(bytes.size())))
        throw base::Error(codecs::messages::pngDamaged(png.message()));
    base::checkSize(png.image.width, png.image.height);
    const int w = static_cast<int>(png.image.width), h = static_cast<int>(png.image.height);
    // Alpha is kept apart from the colours, so the colours are never drawn over anything.
    png.image.format = PNG_FORMAT_BGRA;
    const std::size_t stride = static_cast<std::size_t>(4) * static_cast<std::size_t>(w);
    base::Block rows(stride * static_cast<std::size_t>(h));
    if (!png_image_finish_read(&png.image, nullptr, rows.data(), static_cast<png_int_32>(stride), nullptr))
        throw base::Error(codecs::messages::pngDamaged(png.message()));
    QImage out = base::allocateBgr(w, h);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* s = rows.data() + stride * static_cast<std::size_t>(y);
        std::uint8_t* d = out.scanLine(y);
        for (int x = 0; x < w; ++x, s += 4, d += 3) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    }
    return out;
}

bool hasTransparency(const QByteArray& bytes) {
    SimpleImage png;
    if (!png_image_begin_read_from_memory(&png.image, bytes.constData(),
                                          static_cast<std::size_t>(bytes.size())))
        throw base::Error(codecs::messages::pngDamaged(png.message()));
    if (!(png.image.format & PNG_FORMAT_FLAG_ALPHA)) return false;  // no alpha channel and no tRNS
    base::checkSize(png.image.width, png.image.height);
    png.image.format = PNG_FORMAT_GA;
    const std::size_t stride = static_cast<std::size_t>(2) * png.image.width;
    base::Block rows(stride * png.image.height);
    if (!png_image_finish_read(&png.image, nullptr, rows.data(), static_cast<png_int_32>(stride), nullptr))
        throw base::Error(codecs::messages::pngDamaged(png.message()));
    for (std::size_t i = 1; i < rows.size(); i += 2)
        if (rows.data()[i] != 255) return true;
    return false;
}

namespace texts {

QString cannotOpen(const QString& path, const QString& reason) {
    return QStringLiteral("配置 %1 を開けません: %2").arg(path, reason);
}
QString cannotSave(const QString& path, const QString& reason) {
    return QStringLiteral("配置 %1 を保存できません: %2").arg(path, reason);
}
QString notZip(const QString& libraryReason) {
    return QStringLiteral("OpenRaster の zip として読めません (%1)").arg(libraryReason);
}
QString zipError(int code, const QString& libraryReason) {
    switch (code) {
        case ZIP_ER_EXISTS:
            return QStringLiteral("zip に同じ名前の項目が二つあります (%1)").arg(libraryReason);
        case ZIP_ER_NOZIP:
            return QStringLiteral("zip ファイルではありません (%1)").arg(libraryReason);
        case ZIP_ER_INCONS:
            return QStringLiteral("zip の目次と中身が食い違っています (%1)").arg(libraryReason);
        case ZIP_ER_EOF:
        case ZIP_ER_READ:
            return QStringLiteral("zip が途中で切れています (%1)").arg(libraryReason);
        case ZIP_ER_CRC:
            return QStringLiteral("チェックサムが合いません (%1)").arg(libraryReason);
        case ZIP_ER_COMPNOTSUPP:
            return QStringLiteral("対応していない圧縮方式です (%1)").arg(libraryReason);
        case ZIP_ER_MEMORY:
            return codecs::messages::outOfMemory();
        default:
            return notZip(libraryReason);
    }
}
QString tooManyEntries(long long count, int limit) {
    return QStringLiteral("zip の項目が多すぎます (%1 個、上限 %2 個)").arg(count).arg(limit);
}
QString badEntryName(const QString& name) {
    return QStringLiteral("zip に使えない名前の項目があります (%1)").arg(name);
}
QString duplicateEntry(const QString& name) {
    return QStringLiteral("zip に同じ名前の項目が二つあります (%1)").arg(name);
}
QString missingEntry(const QString& name) {
    return QStringLiteral("zip に項目 %1 がありません").arg(name);
}
QString extraEntry(const QString& name) {
    return QStringLiteral("zip に余分な項目 %1 があります").arg(name);
}
QString entryTooLarge(const QString& name, long long bytes) {
    return QStringLiteral("項目 %1 が大きすぎます (%2 バイト)").arg(name).arg(bytes);
}
QString entryRatio(const QString& name, long long ratio) {
    return QStringLiteral("項目 %1 の圧縮率が異常です (%2 倍)").arg(name).arg(ratio);
}
QString entrySizeWrong(const QString& name, long long declared) {
    return QStringLiteral("項目 %1 の中身が記録された大きさ (%2 バイト) と合いません")
        .arg(name)
        .arg(declared);
}
QString entryDamaged(const QString& name, const QString& libraryReason) {
    return QStringLiteral("項目 %1 が壊れています (%2)").arg(name, libraryReason);
}
QString wrongMimeType() {
    return QStringLiteral("mimetype が image/openraster ではありません");
}
QString xmlError(long long line, const QString& reason) {
    return QStringLiteral("stack.xml を読めません (%1 行目: %2)").arg(line).arg(reason);
}
QString xmlDeclarations() {
    return QStringLiteral("stack.xml の DTD や実体参照は受け付けません");
}
QString badValue(const QString& element, const QString& attribute, const QString& value) {
    return QStringLiteral("stack.xml の <%1> の %2 が正しくありません (%3)").arg(element, attribute, value);
}
QString tooManyLayers(int limit) {
    return QStringLiteral("レイヤーが多すぎます (上限 %1 個)").arg(limit);
}
QString newerFormat(int version) {
    return QStringLiteral("新しい版のカドレルで保存された配置です (形式 %1)").arg(version);
}
QString layerUnreadable(const QString& name, const QString& reason) {
    return QStringLiteral("レイヤー %1 を読めません: %2").arg(name, reason);
}
QString layersTooLarge(long long pixels, long long limit) {
    return QStringLiteral("レイヤーの画素が合わせて多すぎます (%1 画素、上限 %2 画素)")
        .arg(pixels)
        .arg(limit);
}
QString pngSizeWrong(const QString& name) {
    return QStringLiteral("レイヤー %1 の大きさが配置と合いません").arg(name);
}
QString notKept(const QStringList& items) {
    return QStringLiteral("このファイルの次の点は保てません: %1").arg(items.join(QStringLiteral("、")));
}
QString opacityItem(const QString& layer, const QString& value) {
    return QStringLiteral("レイヤー「%1」の不透明度 %2").arg(layer, value);
}
QString compositeItem(const QString& layer, const QString& op) {
    return QStringLiteral("レイヤー「%1」の合成方法 %2").arg(layer, op);
}
QString notPngItem(const QString& layer, const QString& src) {
    return QStringLiteral("PNG でないレイヤー「%1」(%2) は読み込みません").arg(layer, src);
}
QString offsetItem(const QString& layer, long long x, long long y) {
    return QStringLiteral("位置が範囲外のレイヤー「%1」(%2, %3) は読み込みません").arg(layer).arg(x).arg(y);
}
QString transparencyItem(const QString& layer) {
    return QStringLiteral("レイヤー「%1」の透明な部分 (黒で塗られます)").arg(layer);
}
QString untitledLayer() {
    return QStringLiteral("名前なし");
}

}  // namespace texts

}  // namespace collage::ora
