#pragma once

#include <optional>
#include <stdexcept>
#include <variant>

#include <QSize>
#include <QString>
#include <QStringList>

#include "base/colour.h"
#include "codecs/codecs.h"
#include "collage/grid.h"

namespace cli {

// A command line that cannot be run as written: the text says why (exit status 2).
class UsageError : public std::runtime_error {
public:
    UsageError(const QString& text, const QString& command)
        : std::runtime_error(text.toStdString()), text_(text), command_(command) {}
    const QString& text() const { return text_; }
    const QString& command() const { return command_; }  // empty when no command was recognised

private:
    QString text_;
    QString command_;
};

// `--help` anywhere, `help [COMMAND]`, or `COMMAND --help`: the usage of `command` (all when empty).
struct HelpRequest {
    QString command;
};

struct VersionRequest {};

struct JoinOptions {
    QString output;
    QStringList inputs;
    std::optional<QSize> canvas;  // a typed canvas; auto size when absent
    QSize screen{1920, 1080};     // the screen the adding rules wrap at
    bool screenGiven = false;
    bool keepInside = false;  // "パーツを枠外に出さない"
    std::optional<base::Colour> background;
    QString backgroundPicture;
    bool transparent = false;  // every piece keyed by its own top-left pixel
    std::optional<int> quality;
    // "整列" after the pieces are added; present when a layout option was given (columns default
    // to the ceiling of the square root of the piece count).
    std::optional<collage::Arrangement> arrangement;
};

struct ReduceOptions {
    QString input;
    QString output;
};

// The resize dialog's transparency settings.
struct KeyChoice {
    bool transparent = false;         // "透明色"
    std::optional<base::Colour> key;  // the swatch; the source's pixel (0, 0) when absent
    int fill = 50;                    // "選択率", used as given
};

struct ResizeOptions {
    QString input;
    QString output;
    QSize size;  // as given; sizes below 1 are the command's to report
    KeyChoice key;
    std::optional<int> quality;
};

struct RotateOptions {
    QString input;
    QString output;
    int degrees = 0;
    int hundredths = 0;
    std::optional<base::Colour> gap;  // "隙間色"; black when absent
    bool blendBorder = false;         // "枠補正なし" unchecked
    KeyChoice key;
    std::optional<int> quality;
};

using Request =
    std::variant<HelpRequest, VersionRequest, JoinOptions, ReduceOptions, ResizeOptions, RotateOptions>;

// Reads the arguments after the program name. Throws UsageError for an unknown command or
// option, a missing or malformed value, a value out of range, or missing operands.
Request parseArguments(const QStringList& args);

// The writer for an output name, by its extension in any letter case: .jpg/.jpeg, .bmp, .gif, .png.
std::optional<codecs::Format> outputFormat(const QString& path);

// Value syntax shared by the options (each returns nullopt when the text does not fit).
std::optional<int> parseNumber(const QString& text);                   // decimal, optional sign
std::optional<QSize> parseSize(const QString& text, bool allowSigns);  // WxH
std::optional<base::Colour> parseColour(const QString& text);          // RRGGBB, hexadecimal

}  // namespace cli
