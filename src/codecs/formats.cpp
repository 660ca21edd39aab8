// File names and formats: the one table of extensions, and the save dialogs' numbering.
#include <algorithm>
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

}  // namespace codecs
