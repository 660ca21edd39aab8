#include "cli/options.h"

#include <algorithm>
#include <functional>
#include <vector>

#include <QRegularExpression>

#include "collage/adding.h"
#include "collage/openraster.h"
#include "collage/texts.h"

namespace cli {

namespace {

struct Option {
    QString name;
    bool takesValue = false;
    std::function<void(const QString&)> apply;
};

// Walks the arguments of one command: options from the table (value as the next argument or
// after "="), "--" ending the options, anything else an operand. The next argument is taken as
// the value whatever it starts with, so "--fill -10" works; only a value that looks like a long
// option ("-o --canvas") counts as missing, which catches a forgotten value.
QStringList walk(const QStringList& args, const QString& command, const std::vector<Option>& options) {
    QStringList operands;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (optionsEnded || arg == u"-" || !arg.startsWith(u'-')) {
            operands << arg;
            continue;
        }
        if (arg == u"--") {
            optionsEnded = true;
            continue;
        }
        const qsizetype eq = arg.startsWith(u"--") ? arg.indexOf(u'=') : -1;
        const QString name = eq < 0 ? arg : arg.left(eq);
        const Option* found = nullptr;
        for (const Option& o : options)
            if (o.name == name) found = &o;
        if (!found) throw UsageError(QStringLiteral("unknown option '%1'").arg(name), command);
        if (!found->takesValue) {
            if (eq >= 0) throw UsageError(QStringLiteral("option '%1' takes no value").arg(name), command);
            found->apply(QString());
            continue;
        }
        QString value;
        if (eq >= 0) {
            value = arg.mid(eq + 1);
        } else {
            if (i + 1 >= args.size() || args[i + 1].startsWith(u"--"))
                throw UsageError(QStringLiteral("option '%1' needs a value").arg(name), command);
            value = args[++i];
        }
        found->apply(value);
    }
    return operands;
}

[[noreturn]] void badValue(const QString& option, const QString& value, const QString& expected,
                           const QString& command) {
    throw UsageError(QStringLiteral("bad value '%1' for %2: %3 expected").arg(value, option, expected),
                     command);
}

int number(const QString& option, const QString& value, const QString& command) {
    const auto n = parseNumber(value);
    if (!n) badValue(option, value, QStringLiteral("a whole number"), command);
    return *n;
}

base::Colour colour(const QString& option, const QString& value, const QString& command) {
    const auto c = parseColour(value);
    if (!c) badValue(option, value, QStringLiteral("RRGGBB in hexadecimal"), command);
    return *c;
}

int quality(const QString& value, const QString& command) {
    const int q = number(QStringLiteral("--quality"), value, command);
    if (q < 1 || q > 100) badValue(QStringLiteral("--quality"), value, QStringLiteral("1..100"), command);
    return q;
}

// Canvas and screen sizes: unsigned WxH with both sides at least 1.
QSize area(const QString& option, const QString& value, const QString& command) {
    const auto s = parseSize(value, false);
    if (!s || s->width() < 1 || s->height() < 1)
        badValue(option, value, QStringLiteral("WxH with both sides at least 1"), command);
    return *s;
}

void checkOutput(const QString& path, const QString& command, bool indexedOnly) {
    const auto f = outputFormat(path);
    const bool ok = f && (!indexedOnly || *f == codecs::Format::Gif || *f == codecs::Format::Png);
    if (!ok)
        throw UsageError(
            QStringLiteral("cannot write '%1': the name must end in %2")
                .arg(path, indexedOnly ? QStringLiteral(".gif or .png")
                                       : QStringLiteral(".jpg, .jpeg, .bmp, .gif, .png or .webp")),
            command);
}

void checkKey(const KeyChoice& key, const QString& command) {
    if (key.key && !key.transparent) throw UsageError(QStringLiteral("--key needs --transparent"), command);
}

void inputAndOutput(const QStringList& operands, QString& input, QString& output, const QString& command) {
    if (operands.size() != 2)
        throw UsageError(QStringLiteral("expected IN and OUT, got %1 operand(s)").arg(operands.size()),
                         command);
    input = operands[0];
    output = operands[1];
}

// The options the resize dialog's transparency box, swatch and fill edit stand for.
void addKeyOptions(std::vector<Option>& table, KeyChoice& key, const QString& command) {
    table.push_back(
        {QStringLiteral("--transparent"), false, [&key](const QString&) { key.transparent = true; }});
    table.push_back({QStringLiteral("--key"), true, [&key, command](const QString& v) {
                         key.key = colour(QStringLiteral("--key"), v, command);
                     }});
    table.push_back({QStringLiteral("--fill"), true, [&key, command](const QString& v) {
                         key.fill = number(QStringLiteral("--fill"), v, command);
                     }});
}

int ranged(const QString& option, const QString& value, int low, int high, const QString& command) {
    const int n = number(option, value, command);
    if (n < low || n > high) badValue(option, value, QStringLiteral("%1..%2").arg(low).arg(high), command);
    return n;
}

// One of `names`, which stand for the values 0, 1, 2 of an alignment.
template <class E>
E choice(const QString& option, const QString& value, const QStringList& names, const QString& command) {
    const qsizetype i = names.indexOf(value);
    if (i < 0) badValue(option, value, names.join(u'|'), command);
    return static_cast<E>(i);
}

// The layout options of join, as the "整列" dialog has them.
void addLayoutOptions(std::vector<Option>& table, std::optional<collage::Arrangement>& arrangement,
                      bool& columnsGiven, bool& fitGiven, bool& rowHeightGiven, const QString& cmd) {
    using collage::Arrangement;
    auto set = [&arrangement](auto&& f) {
        if (!arrangement) arrangement = Arrangement{};
        f(*arrangement);
    };
    table.push_back({QStringLiteral("--columns"), true, [=, &columnsGiven](const QString& v) {
                         const int n = ranged(QStringLiteral("--columns"), v, 1, collage::kMaxColumns, cmd);
                         set([n](Arrangement& a) { a.columns = n; });
                         columnsGiven = true;
                     }});
    table.push_back({QStringLiteral("--gap"), true, [=](const QString& v) {
                         const int n = ranged(QStringLiteral("--gap"), v, 0, collage::kMaxSpacing, cmd);
                         set([n](Arrangement& a) { a.gap = n; });
                     }});
    table.push_back({QStringLiteral("--margin"), true, [=](const QString& v) {
                         const int n = ranged(QStringLiteral("--margin"), v, 0, collage::kMaxSpacing, cmd);
                         set([n](Arrangement& a) { a.margin = n; });
                     }});
    table.push_back({QStringLiteral("--align"), true, [=](const QString& v) {
                         const auto r = choice<collage::RowAlign>(
                             QStringLiteral("--align"), v,
                             {QStringLiteral("top"), QStringLiteral("middle"), QStringLiteral("bottom")},
                             cmd);
                         set([r](Arrangement& a) { a.rowAlign = r; });
                     }});
    table.push_back({QStringLiteral("--align-x"), true, [=](const QString& v) {
                         const auto c = choice<collage::ColumnAlign>(
                             QStringLiteral("--align-x"), v,
                             {QStringLiteral("left"), QStringLiteral("center"), QStringLiteral("right")},
                             cmd);
                         set([c](Arrangement& a) { a.columnAlign = c; });
                     }});
    // Justified rows.
    table.push_back({QStringLiteral("--justify"), true, [=](const QString& v) {
                         const int n = ranged(QStringLiteral("--justify"), v, 1, collage::kMaxTarget, cmd);
                         set([n](Arrangement& a) {
                             a.kind = collage::LayoutKind::Justified;
                             a.rowWidth = n;
                         });
                     }});
    table.push_back({QStringLiteral("--row-height"), true, [=, &rowHeightGiven](const QString& v) {
                         const int n = ranged(QStringLiteral("--row-height"), v, 1, collage::kMaxTarget, cmd);
                         set([n](Arrangement& a) { a.rowHeight = n; });
                         rowHeightGiven = true;
                     }});
    // A fixed output size with fitted or filled cells.
    table.push_back({QStringLiteral("--size"), true, [=](const QString& v) {
                         const auto s = parseSize(v, false);
                         if (!s || s->width() < 1 || s->height() < 1 || s->width() > collage::kMaxTarget ||
                             s->height() > collage::kMaxTarget)
                             badValue(QStringLiteral("--size"), v, QStringLiteral("WxH, each side 1..65535"),
                                      cmd);
                         set([s](Arrangement& a) { a.output = *s; });
                     }});
    for (const auto& [name, fit] : {std::pair{QStringLiteral("--fit"), collage::CellFit::Fit},
                                    std::pair{QStringLiteral("--fill"), collage::CellFit::Fill}})
        table.push_back({name, false, [=, &fitGiven](const QString&) {
                             set([&](Arrangement& a) {
                                 if (a.fit != fit && fitGiven)
                                     throw UsageError(QStringLiteral("--fit and --fill exclude each other"),
                                                      cmd);
                                 a.fit = fit;
                                 fitGiven = true;
                             });
                         }});
    for (const auto& [name, mode] : {std::pair{QStringLiteral("--height"), collage::SizeMode::OneHeight},
                                     std::pair{QStringLiteral("--width"), collage::SizeMode::OneWidth}}) {
        table.push_back({name, true, [=](const QString& v) {
                             const int n = ranged(name, v, 1, collage::kMaxTarget, cmd);
                             set([&](Arrangement& a) {
                                 if (a.size != collage::SizeMode::AsTheyAre && a.size != mode)
                                     throw UsageError(
                                         QStringLiteral("--height and --width exclude each other"), cmd);
                                 a.size = mode;
                                 a.target = n;
                             });
                         }});
    }
}

JoinOptions parseJoin(const QStringList& args) {
    const QString cmd = QStringLiteral("join");
    JoinOptions o;
    bool columnsGiven = false, fitGiven = false, rowHeightGiven = false;
    std::vector<Option> table = {
        {QStringLiteral("-o"), true, [&](const QString& v) { o.output = v; }},
        {QStringLiteral("--output"), true, [&](const QString& v) { o.output = v; }},
        {QStringLiteral("--canvas"), true,
         [&](const QString& v) { o.canvas = area(QStringLiteral("--canvas"), v, cmd); }},
        {QStringLiteral("--screen"), true,
         [&](const QString& v) {
             o.screen = area(QStringLiteral("--screen"), v, cmd);
             o.screenGiven = true;
         }},
        {QStringLiteral("--keep-inside"), false, [&](const QString&) { o.keepInside = true; }},
        {QStringLiteral("--background"), true,
         [&](const QString& v) { o.background = colour(QStringLiteral("--background"), v, cmd); }},
        {QStringLiteral("--background-picture"), true, [&](const QString& v) { o.backgroundPicture = v; }},
        {QStringLiteral("--transparent"), false, [&](const QString&) { o.transparent = true; }},
        {QStringLiteral("--quality"), true, [&](const QString& v) { o.quality = quality(v, cmd); }},
    };
    addLayoutOptions(table, o.arrangement, columnsGiven, fitGiven, rowHeightGiven, cmd);
    o.inputs = walk(args, cmd, table);
    if (o.output.isEmpty()) throw UsageError(QStringLiteral("no output file: give -o OUT"), cmd);
    if (!collage::isOpenRasterName(o.output)) checkOutput(o.output, cmd, false);
    if (o.inputs.isEmpty()) throw UsageError(QStringLiteral("no input files"), cmd);
    // A saved arrangement already holds its canvas, background, keys and places.
    if (std::any_of(o.inputs.begin(), o.inputs.end(), collage::isOpenRasterName)) {
        if (o.inputs.size() > 1)
            throw UsageError(QStringLiteral("an arrangement (.ora) is joined alone"), cmd);
        if (o.canvas || o.screenGiven || o.keepInside || o.background || !o.backgroundPicture.isEmpty() ||
            o.transparent || o.arrangement)
            throw UsageError(
                QStringLiteral("an arrangement (.ora) keeps its own layout: only -o and --quality "
                               "apply"),
                cmd);
    }
    if (o.inputs.size() > collage::kMaxPieces) throw UsageError(collage::texts::tooManyPieces(), cmd);
    if (o.background && !o.backgroundPicture.isEmpty())
        throw UsageError(QStringLiteral("--background and --background-picture exclude each other"), cmd);
    if (o.arrangement && o.canvas)
        throw UsageError(
            QStringLiteral("--canvas cannot be used with the layout options: the grid decides the "
                           "canvas size"),
            cmd);
    if (o.arrangement) {
        const collage::Arrangement& a = *o.arrangement;
        const bool rows = a.kind == collage::LayoutKind::Justified;
        const bool sized = a.output.width() > 0;
        if (rowHeightGiven && !rows) throw UsageError(QStringLiteral("--row-height needs --justify"), cmd);
        if (rows && !rowHeightGiven) throw UsageError(QStringLiteral("--justify needs --row-height"), cmd);
        if (rows && (columnsGiven || sized || a.size != collage::SizeMode::AsTheyAre))
            throw UsageError(
                QStringLiteral("--justify excludes --columns, --size, --height and --width: the rows decide"),
                cmd);
        if (fitGiven && !sized) throw UsageError(QStringLiteral("--fit and --fill need --size"), cmd);
        if (sized && a.size != collage::SizeMode::AsTheyAre)
            throw UsageError(QStringLiteral("--size excludes --height and --width: the cells decide"), cmd);
    }
    if (o.arrangement && !columnsGiven)
        o.arrangement->columns = collage::defaultColumns(static_cast<int>(o.inputs.size()));
    return o;
}

ReduceOptions parseReduce(const QStringList& args) {
    const QString cmd = QStringLiteral("reduce");
    ReduceOptions o;
    inputAndOutput(walk(args, cmd, {}), o.input, o.output, cmd);
    checkOutput(o.output, cmd, true);
    return o;
}

ResizeOptions parseResize(const QStringList& args) {
    const QString cmd = QStringLiteral("resize");
    ResizeOptions o;
    bool sized = false;
    std::vector<Option> table = {
        {QStringLiteral("--size"), true,
         [&](const QString& v) {
             const auto s = parseSize(v, true);
             if (!s) badValue(QStringLiteral("--size"), v, QStringLiteral("WxH"), cmd);
             o.size = *s;
             sized = true;
         }},
        {QStringLiteral("--quality"), true, [&](const QString& v) { o.quality = quality(v, cmd); }},
    };
    addKeyOptions(table, o.key, cmd);
    inputAndOutput(walk(args, cmd, table), o.input, o.output, cmd);
    if (!sized) throw UsageError(QStringLiteral("no size: give --size WxH"), cmd);
    checkOutput(o.output, cmd, false);
    checkKey(o.key, cmd);
    return o;
}

RotateOptions parseRotate(const QStringList& args) {
    const QString cmd = QStringLiteral("rotate");
    RotateOptions o;
    bool angled = false;
    std::vector<Option> table = {
        {QStringLiteral("--degrees"), true,
         [&](const QString& v) {
             o.degrees = number(QStringLiteral("--degrees"), v, cmd);
             angled = true;
         }},
        {QStringLiteral("--hundredths"), true,
         [&](const QString& v) { o.hundredths = number(QStringLiteral("--hundredths"), v, cmd); }},
        {QStringLiteral("--gap"), true,
         [&](const QString& v) { o.gap = colour(QStringLiteral("--gap"), v, cmd); }},
        {QStringLiteral("--blend-border"), false, [&](const QString&) { o.blendBorder = true; }},
        {QStringLiteral("--quality"), true, [&](const QString& v) { o.quality = quality(v, cmd); }},
    };
    addKeyOptions(table, o.key, cmd);
    inputAndOutput(walk(args, cmd, table), o.input, o.output, cmd);
    if (!angled) throw UsageError(QStringLiteral("no angle: give --degrees D"), cmd);
    checkOutput(o.output, cmd, false);
    checkKey(o.key, cmd);
    return o;
}

bool isHelp(const QString& arg) {
    return arg == u"--help" || arg == u"-h";
}

}  // namespace

std::optional<int> parseNumber(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^[+-]?[0-9]+$"));
    if (!pattern.match(text).hasMatch()) return std::nullopt;
    bool ok = false;
    const int n = text.toInt(&ok, 10);
    if (!ok) return std::nullopt;
    return n;
}

std::optional<QSize> parseSize(const QString& text, bool allowSigns) {
    static const QRegularExpression plain(QStringLiteral("^([0-9]+)[xX]([0-9]+)$"));
    static const QRegularExpression signs(QStringLiteral("^([+-]?[0-9]+)[xX]([+-]?[0-9]+)$"));
    const QRegularExpressionMatch m = (allowSigns ? signs : plain).match(text);
    if (!m.hasMatch()) return std::nullopt;
    const auto w = parseNumber(m.captured(1));
    const auto h = parseNumber(m.captured(2));
    if (!w || !h) return std::nullopt;
    return QSize(*w, *h);
}

std::optional<base::Colour> parseColour(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^[0-9A-Fa-f]{6}$"));
    if (!pattern.match(text).hasMatch()) return std::nullopt;
    const uint rgb = text.toUInt(nullptr, 16);
    return base::rgb(static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                     static_cast<std::uint8_t>(rgb));
}

std::optional<codecs::Format> outputFormat(const QString& path) {
    const auto format = codecs::knownFormat(path);
    // Icons and HEIF/AVIF can be read but not written.
    if (format == codecs::Format::Ico || format == codecs::Format::Heif) return std::nullopt;
    return format;
}

Request parseArguments(const QStringList& args) {
    if (args.isEmpty()) throw UsageError(QStringLiteral("no command given"), QString());
    const QString& command = args.first();
    const QStringList rest = args.mid(1);
    if (isHelp(command)) return HelpRequest{};
    if (command == u"--version") return VersionRequest{};
    if (command == u"help") {
        if (rest.size() > 1) throw UsageError(QStringLiteral("help takes at most one command"), QString());
        return HelpRequest{rest.value(0)};
    }
    static const QStringList commands = {QStringLiteral("join"), QStringLiteral("reduce"),
                                         QStringLiteral("resize"), QStringLiteral("rotate")};
    if (!commands.contains(command))
        throw UsageError(QStringLiteral("unknown command '%1'").arg(command), QString());
    // Help wins over everything else on the line, so a half-written command still shows its usage.
    for (const QString& arg : rest) {
        if (arg == u"--") break;
        if (isHelp(arg)) return HelpRequest{command};
    }
    if (command == u"join") return parseJoin(rest);
    if (command == u"reduce") return parseReduce(rest);
    if (command == u"resize") return parseResize(rest);
    return parseRotate(rest);
}

}  // namespace cli
