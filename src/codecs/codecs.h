#pragma once

#include <array>
#include <memory>
#include <optional>

#include <QByteArray>
#include <QImage>
#include <QString>

#include "base/image.h"

class QMimeData;
class QSaveFile;

namespace codecs {

// The largest file read: every file this program writes for a picture within the pixel budget
// fits, the 24-bit BMP and PNG at about 3 bytes a pixel and a quality-100 JPEG of pure noise at
// about 4.1, with room for headers.
inline constexpr qint64 kMaxFileBytes = base::kMaxPixels * 5;

// Heif reads HEIC, HEIF and AVIF files alike (libheif tells them apart by their content).
enum class Format { Bmp, Jpeg, Gif, Png, Ico, Webp, Heif };

// Extension with its dot, from the last dot of the file-name part; empty when there is none.
QString extensionOf(const QString& fileName);

// Pieces: exactly ".bmp"/".BMP", ".gif"/".GIF", ".png"/".PNG", ".webp"/".WEBP", and
// ".heic"/".HEIC", ".heif"/".HEIF", ".avif"/".AVIF"; everything else is JPEG.
Format pieceFormat(const QString& fileName);

// Background pictures and the cut editor: the extension in any letter case (.jpg, .jpeg, .bmp,
// .gif, .png, .ico, .webp, .heic, .heif, .avif). Any other throws base::Error "拡張子 .%s
// の画像形式は処理できません".
Format formatByExtension(const QString& fileName);
// The same rule without the message: nothing for an extension it does not know.
std::optional<Format> knownFormat(const QString& fileName);

// The format whose signature the bytes begin with; nothing when none does.
std::optional<Format> signatureFormat(const QByteArray& data);

// The open dialogs' filter: "画像(…)|*.bmp;*.jpg;…;*.avif|全部|*.*", the same patterns for both
// windows under the caption each window's definition gives.
enum class OpenDialog { Pieces, CutEditor };
QString openFilter(OpenDialog dialog);

// The formats a save dialog offers, in the order it lists them; its filter indexes count from 1.
// Every dialog offers all five formats written.
using SaveOrder = std::array<Format, 5>;
// The joined picture's dialog lists JPEG first, the cut editor's BMP.
inline constexpr SaveOrder kJoinedSaveOrder = {Format::Jpeg, Format::Bmp, Format::Gif, Format::Png,
                                               Format::Webp};
inline constexpr SaveOrder kCutSaveOrder = {Format::Bmp, Format::Jpeg, Format::Gif, Format::Png,
                                            Format::Webp};

// The dialog's filter, "JPEG|*.jpg|BMP|*.bmp|…" in the dialog's order.
QString saveFilter(const SaveOrder& order);
// The format of a filter index; JPEG for an index the dialog does not have.
Format savedFormat(const SaveOrder& order, int filterIndex);
// The filter index of a format; JPEG's for one the dialog does not offer (ICO, HEIF are read only).
int filterIndexOf(const SaveOrder& order, Format format);
// The extension of a saved file: ".jpg", ".bmp", ".gif", ".png" or ".webp" (".jpg" for a
// format that is read only).
QString saveExtension(Format format);

// Reads a whole file (at most kMaxFileBytes) and decodes it into a 24-bit
// BGR888 picture: colours converted to sRGB where the file carries a profile (JPEG, PNG, WebP,
// HEIF), turned upright by its Exif orientation (JPEG, PNG, WebP) or its own transformations
// (HEIF), alpha drawn over black. `format` is the decoder the name chose; a file that begins with
// the signature of another format (a PNG named .jpg, a WebP a browser saved as .jpg) is read by
// that format's decoder instead. Every failure (missing file, bad content, a picture over the pixel budget)
// throws base::Error whose text names the file and keeps the library's own reason.
QImage readFile(const QString& path, Format format);

// Decodes bytes already in memory; throws base::Error with the decoder's reason.
QImage decode(const QByteArray& data, Format format);

struct WriteOptions {
    int jpegQuality = 100;  // 1..100; values outside are brought to the nearer end. Also WebP's:
                            // 100 writes it lossless, below that lossy at that quality.
};

// Encodes into memory. JPEG, WebP and BMP/PNG take 24-bit pictures (BMP and PNG keep an 8-bit
// Indexed8 picture 8-bit with its palette); GIF takes an Indexed8 picture and keeps its palette.
// PNG files say they are sRGB. ICO and HEIF/AVIF are read only.
QByteArray encode(const QImage& image, Format format, const WriteOptions& options = {});

// Encodes, then saves through a temporary file beside `path` that replaces it only when
// complete: a failed write leaves the old file as it was. Throws base::Error naming the file.
void writeFile(const QString& path, const QImage& image, Format format, const WriteOptions& options = {});

// A file written in parts, by the same rules as saveBytes(): it replaces `path` only when
// committed, and dropped before that it leaves the old file as it was. Every failure throws
// base::Error naming the file.
class FileSave {
public:
    explicit FileSave(const QString& path);
    ~FileSave();
    FileSave(const FileSave&) = delete;
    FileSave& operator=(const FileSave&) = delete;

    void write(const char* data, qint64 size);
    void commit();

private:
    QString path_;
    std::unique_ptr<QSaveFile> file_;
    qint64 total_ = 0;
};

// Writes bytes atomically (the same temporary-file rule).
void saveBytes(const QString& path, const QByteArray& bytes);
void saveBytes(const QString& path, const char* data, qint64 size);

// A picture the clipboard offers in a format Qt's readers do not take (image/webp, image/avif,
// image/heic, image/heif), decoded like a file of that format; a null picture when it offers
// none of them. Throws base::Error when the data cannot be read.
QImage clipboardPicture(const QMimeData& data);

// Gives Qt's own readers (clipboard, drops, icons) the same pixel budget; call once at start.
void limitQtReaders();

}  // namespace codecs
