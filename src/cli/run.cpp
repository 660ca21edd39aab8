#include "cli/run.h"

#include <exception>
#include <new>
#include <type_traits>

#include "base/error.h"
#include "bmpfilters/static_palette.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/usage.h"
#include "codecs/codecs.h"

namespace cli {

namespace {

int execute(const Request& request, QTextStream& out, QTextStream& err) {
    return std::visit(
        [&](const auto& r) -> int {
            using R = std::decay_t<decltype(r)>;
            if constexpr (std::is_same_v<R, HelpRequest>) {
                const QString text = usage(r.command);
                if (text.isEmpty())
                    throw UsageError(QStringLiteral("unknown command '%1'").arg(r.command), QString());
                out << text;
            } else if constexpr (std::is_same_v<R, VersionRequest>) {
                out << versionText() << '\n';
            } else if constexpr (std::is_same_v<R, JoinOptions>) {
                join(r, err);
            } else if constexpr (std::is_same_v<R, ReduceOptions>) {
                reduce(r);
            } else if constexpr (std::is_same_v<R, ResizeOptions>) {
                resize(r);
            } else {
                rotate(r, err);
            }
            return 0;
        },
        request);
}

}  // namespace

void prepare() {
    codecs::limitQtReaders();
    bmpfilters::initStaticPalette();
}

int run(const QStringList& args, QTextStream& out, QTextStream& err) {
    int status = 0;
    try {
        status = execute(parseArguments(args), out, err);
    } catch (const UsageError& e) {
        err << "kadrel-cli: " << e.text() << '\n';
        if (e.command().isEmpty())
            err << "Try 'kadrel-cli --help'.\n";
        else
            err << "Try 'kadrel-cli " << e.command() << " --help'.\n";
        status = 2;
    } catch (const base::Error& e) {
        err << "kadrel-cli: " << e.text() << '\n';
        status = 1;
    } catch (const std::bad_alloc&) {
        err << "kadrel-cli: out of memory\n";
        status = 1;
    } catch (const std::exception& e) {
        err << "kadrel-cli: " << base::messageOf(e) << '\n';
        status = 1;
    }
    out.flush();
    err.flush();
    return status;
}

}  // namespace cli
