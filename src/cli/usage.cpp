#include "cli/usage.h"

namespace cli {

namespace {

const char* const kOverview = R"(Usage: kadrel-cli COMMAND [OPTIONS] ...

Joins pictures and resizes, rotates and colour-reduces them with the same passes as the
program's windows. Pictures are read by their extension (also .webp, .heic/.heif and .avif),
turned upright by their Exif orientation and converted to sRGB by their colour profile;
outputs are written by theirs (.jpg/.jpeg JPEG, .bmp, .gif reduced to the static 252-colour
palette, .png, .webp: lossless at quality 100, lossy below).

Commands:
  join     -o OUT [options] FILE...   join pictures on a canvas as the main window adds them
  reduce   IN OUT                     reduce to the static 252-colour palette (8-bit)
  resize   IN OUT --size WxH          scale as the resize dialog does
  rotate   IN OUT --degrees D         rotate as the resize dialog does

  kadrel-cli COMMAND --help   shows a command's options
  kadrel-cli --version        shows the version

Exit status: 0 done, 1 the work failed (unreadable input, failed write, a size the passes
refuse), 2 the command line is wrong (nothing is read or written).
)";

const char* const kJoin = R"(Usage: kadrel-cli join -o OUT [options] FILE...

Adds each FILE in order as a piece, by the main window's adding rules: right of the previous
piece, wrapping to the left edge, dropped below the pieces in the way. Pieces are read by
their extension exactly as written: .bmp/.BMP, .gif/.GIF, .png/.PNG, .webp/.WEBP,
.heic/.HEIC, .heif/.HEIF, .avif/.AVIF; every other name is read as JPEG. A file whose bytes
begin with another format's signature (a PNG named .jpg) is read by that format's reader. The canvas follows the pieces (auto size) unless --canvas is given. Notices
the window would show go to standard error and the join goes on.

A FILE ending in .ora is an arrangement saved by the main window (or a painting program's
OpenRaster file): given alone, it is drawn as saved, with only -o and --quality. An OUT
ending in .ora writes the arrangement as such a document instead of a picture.

Options:
  -o, --output OUT            the joined picture; .jpg/.jpeg, .bmp, .gif, .png or .webp, or
                              .ora for the arrangement itself
  --canvas WxH                a typed canvas size instead of auto size
  --screen WxH                the screen the rules wrap at under auto size (default 1920x1080)
  --keep-inside               "パーツを枠外に出さない": with --canvas, a piece that would stick
                              out on the right starts a new row; if it still sticks out the
                              rule is switched off with a notice
  --background RRGGBB         background colour, hexadecimal red, green, blue (default 000000)
  --background-picture FILE   background picture, tiled from the top-left corner
  --transparent               leave out of every piece the colour of its own top-left pixel
  --quality Q                 JPEG or WebP quality 1..100 (default 100)
  -h, --help                  this text

Layout ("整列"), applied after all pieces are added; any of these arranges the pieces in a
grid in the order given, row by row. Not with --canvas: the grid decides the canvas size.
  --columns N                 columns, 1..255 (default: the square root of the piece count,
                              rounded up); more columns than pieces give one row
  --gap G                     pixels between neighbouring cells, 0..1000 (default 0)
  --margin M                  pixels around the whole, 0..1000 (default 0)
  --align top|middle|bottom   where a piece stands in its row (default top)
  --align-x left|center|right where a piece stands in its column (default left)
  --height H                  scale every piece to height H first, keeping its aspect
                              (area average down, bilinear up; with --transparent a piece's
                              key stays out of the mix)
  --width W                   the same with one width W; excludes --height

Justified rows ("行揃え") instead of the grid; excludes --columns, --size, --height, --width:
  --justify W                 every row fills the width W exactly (pieces scaled to one
                              height per row, gaps and margins included), the pieces in order
  --row-height H              the row height aimed at (needed with --justify); rows break where
                              their heights come closest to H, within H ± 25 % where the pieces
                              allow it; a short last row keeps H and stands by --align-x

A fixed output size: the grid's columns and rows divide W x H (minus margins and gaps) into
equal cells, the spare pixels to the first columns and rows; auto size goes off:
  --size WxH                  the canvas, each side 1..65535
  --fit                       each piece whole inside its cell, placed by --align and
                              --align-x (the default)
  --fill                      each piece covers its cell, cropped centred
)";

const char* const kReduce = R"(Usage: kadrel-cli reduce IN OUT

Reduces IN to the static 252-colour palette with Floyd-Steinberg error diffusion, as the
main window does before it writes a GIF. OUT must end in .gif or .png and is written as an
8-bit picture with that palette.

Options:
  -h, --help   this text
)";

const char* const kResize = R"(Usage: kadrel-cli resize IN OUT --size WxH [options]

Scales IN to WxH as the resize dialog's preview does: bilinear when the picture only grows,
area average when a side shrinks. The same size is refused ("サイズを変えてください").

Options:
  --size WxH        the new size (required); each side at least 1, within the pixel budget
  --transparent     "透明色": leave the key colour out of the interpolation; pixels covered
                    too little take the key colour
  --key RRGGBB      the key colour (with --transparent; default: IN's pixel (0, 0))
  --fill P          "選択率", the coverage percentage (default 50; any whole number, also
                    negative: below 0 no pixel is kept, above 100 acts as 100)
  --quality Q       JPEG or WebP quality 1..100 when OUT is one (default 100)
  -h, --help        this text
)";

const char* const kRotate = R"(Usage: kadrel-cli rotate IN OUT --degrees D [options]

Turns IN clockwise about its centre by D degrees plus H hundredths, as the resize dialog
does; the result is the bounding box of the turned picture.

Options:
  --degrees D       whole degrees, any sign (required)
  --hundredths H    hundredths of a degree, added whatever the sign of D (default 0)
  --gap RRGGBB      "隙間色", the colour where the picture does not reach (default 000000)
  --blend-border    "枠補正なし" unchecked: the border blends into the gap colour
  --transparent     "透明色": leave the key colour out; the gaps take the key colour and
                    the border is not blended (--gap and --blend-border then do nothing)
  --key RRGGBB      the key colour (with --transparent; default: IN's pixel (0, 0))
  --fill P          "選択率", the coverage percentage (default 50; any whole number)
  --quality Q       JPEG or WebP quality 1..100 when OUT is one (default 100)
  -h, --help        this text
)";

}  // namespace

QString usage(const QString& command) {
    if (command.isEmpty()) return QString::fromUtf8(kOverview);
    if (command == u"join") return QString::fromUtf8(kJoin);
    if (command == u"reduce") return QString::fromUtf8(kReduce);
    if (command == u"resize") return QString::fromUtf8(kResize);
    if (command == u"rotate") return QString::fromUtf8(kRotate);
    return QString();
}

QString versionText() {
    return QStringLiteral("kadrel-cli %1").arg(QStringLiteral(KADREL_VERSION));
}

}  // namespace cli
