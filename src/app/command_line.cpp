#include "app/command_line.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QUrl>

#include "collage/window/tkadrel.h"
#include "platform/guard.h"

namespace app {

namespace {

QString absoluteFile(const QString& argument) {
    // A desktop that hands over URLs despite %F still names local files.
    if (argument.startsWith(u"file:")) {
        const QUrl url(argument);
        if (url.isLocalFile()) return QFileInfo(url.toLocalFile()).absoluteFilePath();
    }
    return QFileInfo(argument).absoluteFilePath();
}

}  // namespace

QString usageText() {
    return QStringLiteral(
        "使い方: kadrel [ファイル...]\n"
        "\n"
        "画像を一枚のキャンバスに並べて結合するカドレルを起動します。\n"
        "ファイルを指定すると、ウィンドウを表示してから、指定した順に\n"
        "ドロップしたときと同じようにパーツとして追加します。\n"
        "\n"
        "オプション:\n"
        "  -h, --help     この説明を表示して終了します\n"
        "  -v, --version  バージョンを表示して終了します\n"
        "  --             以降の引数をすべてファイル名として扱います\n"
        "\n"
        "ウィンドウを使わない処理は kadrel-cli --help を参照してください。\n");
}

QString versionText() {
    return QStringLiteral("kadrel %1\n").arg(QStringLiteral(KADREL_VERSION));
}

StartRequest readCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    // "-reverse" is Qt's, not "-r -e -v ..."; before Qt has taken its options they are all here.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    parser.addOption(help);
    parser.addOption(version);
    const bool clean = parser.parse(arguments);

    StartRequest request;
    if (parser.isSet(help)) {
        request.out = usageText();
        request.exitCode = 0;
    } else if (parser.isSet(version)) {
        request.out = versionText();
        request.exitCode = 0;
    } else if (!clean) {
        const QStringList unknown = parser.unknownOptionNames();
        QString name = parser.errorText();
        if (!unknown.isEmpty())
            name =
                (unknown.first().size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + unknown.first();
        request.err = QStringLiteral(
                          "kadrel: 不明なオプションです: %1\n"
                          "使い方は kadrel --help で表示できます。\n")
                          .arg(name);
        request.exitCode = 2;
    } else {
        for (const QString& argument : parser.positionalArguments()) request.files << absoluteFile(argument);
    }
    return request;
}

void addStartFiles(collage::Tkadrel& kadrel, const QStringList& files) {
    platform::runGuarded(kadrel.desktop(), &kadrel, [&kadrel, &files] { kadrel.dropFiles(files); });
}

}  // namespace app
