// File names and formats: the one table of extensions, and the save dialogs' numbering.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "base/error.h"
#include "codecs/codecs.h"
#include "codecs/messages.h"

namespace codecs {
namespace {

struct Extension {
    std::u16string_view lower;
    Format format;
    // Pieces take the extension only as written all in lower or all in upper case; any other
    // spelling is read as JPEG. ICO pieces are read as JPEG too.
    bool piece;
};

constexpr Extension kExtensions[] = {
    {u".jpg", Format::Jpeg, true},  {u".jpeg", Format::Jpeg, true}, {u".bmp", Format::Bmp, true},
    {u".gif", Format::Gif, true},   {u".png", Format::Png, true},   {u".ico", Format::Ico, false},
    {u".webp", Format::Webp, true}, {u".heic", Format::Heif, true}, {u".heif", Format::Heif, true},
    {u".avif", Format::Heif, true},
};

struct Saved {
    Format format;
    std::u16string_view name;       // in the dialog's filter
    std::u16string_view extension;  // the first is also that of a format not written
};

constexpr Saved kSaved[] = {
    {Format::Jpeg, u"JPEG", u".jpg"}, {Format::Bmp, u"BMP", u".bmp"},    {Format::Gif, u"GIF", u".gif"},
    {Format::Png, u"PNG", u".png"},   {Format::Webp, u"WebP", u".webp"},
};

const Saved& savedAs(Format format) {
    for (const Saved& s : kSaved)
        if (s.format == format) return s;
    return kSaved[0];
}

QString text(std::u16string_view s) {
    return QString(reinterpret_cast<const QChar*>(s.data()), static_cast<qsizetype>(s.size()));
}

}  // namespace

QString extensionOf(const QString& fileName) {
    const qsizetype nameStart = std::max(fileName.lastIndexOf(u'/'), fileName.lastIndexOf(u'\\')) + 1;
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot >= nameStart ? fileName.mid(dot) : QString();
}

Format pieceFormat(const QString& fileName) {
    const QString ext = extensionOf(fileName);
    for (const Extension& e : kExtensions) {
        if (!e.piece) continue;
        const QString lower = text(e.lower);
        if (ext == lower || ext == lower.toUpper()) return e.format;
    }
    return Format::Jpeg;
}

std::optional<Format> knownFormat(const QString& fileName) {
    const QString lower = extensionOf(fileName).toLower();
    for (const Extension& e : kExtensions)
        if (lower == text(e.lower)) return e.format;
    return std::nullopt;
}

Format formatByExtension(const QString& fileName) {
    if (const auto format = knownFormat(fileName)) return *format;
    throw base::Error(messages::unsupportedExtension(extensionOf(fileName)));
}

QString openFilter(OpenDialog dialog) {
    // The formats read since the first version, then those added later; .jpeg and .ico are read
    // but not listed.
    static constexpr std::u16string_view kListed[] = {u".bmp",  u".jpg",  u".gif",  u".png",
                                                      u".webp", u".heic", u".heif", u".avif"};
    QStringList patterns;
    for (const std::u16string_view e : kListed) patterns << QStringLiteral("*") + text(e);
    // Each window keeps the caption its definition spells for the first four ("*,jpg").
    QStringList caption{dialog == OpenDialog::Pieces ? QStringLiteral("*.bmp,*,jpg,*,gif,*,png")
                                                     : QStringLiteral("*.bmp,*,jpg,*.gif,*.png")};
    caption << patterns.mid(4);
    return QStringLiteral("画像(%1)|%2|全部|*.*").arg(caption.join(u','), patterns.join(u';'));
}

QString saveFilter(const SaveOrder& order) {
    QStringList parts;
    for (const Format f : order) {
        const Saved& s = savedAs(f);
        parts << text(s.name) << QStringLiteral("*") + text(s.extension);
    }
    return parts.join(u'|');
}

Format savedFormat(const SaveOrder& order, int filterIndex) {
    if (filterIndex < 1 || filterIndex > static_cast<int>(order.size())) return Format::Jpeg;
    return order[static_cast<std::size_t>(filterIndex - 1)];
}

int filterIndexOf(const SaveOrder& order, Format format) {
    const Format offered = savedAs(format).format;
    return static_cast<int>(std::find(order.begin(), order.end(), offered) - order.begin()) + 1;
}

QString saveExtension(Format format) {
    return text(savedAs(format).extension);
}

namespace {

bool startsWith(const QByteArray& data, qsizetype at, std::string_view magic) {
    return data.size() >= at + static_cast<qsizetype>(magic.size()) &&
           std::memcmp(data.constData() + at, magic.data(), magic.size()) == 0;
}

quint32 big32(const QByteArray& data, qsizetype at) {
    const auto* p = reinterpret_cast<const unsigned char*>(data.constData() + at);
    return (quint32{p[0]} << 24) | (quint32{p[1]} << 16) | (quint32{p[2]} << 8) | p[3];
}

// An ISO media file whose first box, ftyp, names a brand of the still-picture family (HEIC, HEIF,
// AVIF) as its major brand or among the compatible ones; a video's ftyp does not.
bool heifSignature(const QByteArray& data) {
    if (!startsWith(data, 4, "ftyp") || data.size() < 16) return false;
    const qsizetype box = std::min<qsizetype>(big32(data, 0), data.size());
    static constexpr std::string_view kBrands[] = {"mif1", "msf1", "mif2", "miaf", "heic", "heix",
                                                   "heim", "heis", "hevc", "hevx", "avif", "avis"};
    // Major brand at 8, minor version at 12, compatible brands from 16.
    for (qsizetype at = 8; at + 4 <= box; at += at == 8 ? 8 : 4)
        for (std::string_view brand : kBrands)
            if (startsWith(data, at, brand)) return true;
    return false;
}

}  // namespace

std::optional<Format> signatureFormat(const QByteArray& data) {
    if (startsWith(data, 0, "\xFF\xD8\xFF")) return Format::Jpeg;
    if (startsWith(data, 0, "\x89PNG\r\n\x1A\n")) return Format::Png;
    if (startsWith(data, 0, "GIF87a") || startsWith(data, 0, "GIF89a")) return Format::Gif;
    if (startsWith(data, 0, "BM")) return Format::Bmp;
    if (startsWith(data, 0, "RIFF") && startsWith(data, 8, "WEBP")) return Format::Webp;
    if (heifSignature(data)) return Format::Heif;
    // An icon directory: reserved 0, type 1, and at least one entry.
    if (startsWith(data, 0, std::string_view("\0\0\1\0", 4)) && data.size() >= 6 &&
        (data[4] != 0 || data[5] != 0))
        return Format::Ico;
    return std::nullopt;
}

}  // namespace codecs
