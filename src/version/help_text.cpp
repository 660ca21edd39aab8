#include "version/help_text.h"

namespace version {

// Lines 14, 15 and 18 open their brackets with the half-width "｢" and close them with the
// full-width "」": that is the help text itself, not a slip to tidy.
QStringList helpLines() {
    return {
        QStringLiteral("Ａ．画像パーツはドラッグ＆ドロップでも追加できます。"),
        QStringLiteral("Ｂ．「編集」ボタンまたは「パーツ編集」でカット画面になります。"),
        QStringLiteral("　　カットした部分やサイズ変更を元に戻すには"),
        QStringLiteral("　　カット画面でリロードしてください。"),
        QStringLiteral("Ｃ．画像パーツはクリック→ドラッグで動かせる他、"),
        QStringLiteral("　　カーソルキーでも動かせます。"),
        QStringLiteral("Ｄ．「フィット」ボタンまたは「キャンバスフィット」で"),
        QStringLiteral("　　余白部分をカットできます。"),
        QStringLiteral("Ｅ．「全体編集」で合成後の画像全体をカット画面に送って、"),
        QStringLiteral("　　まとめてカットやサイズ変更ができます。"),
        QStringLiteral("　　変更後はカット画面の「保存」ボタンで保存してください。"),
        QStringLiteral("＜ロード＆カット＞"),
        QStringLiteral("１．Ctrl＋画像上クリック→ドラッグで選択範囲を直接指定できます。"),
        QStringLiteral("２．Ctrl＋｢ロード」ボタンクリックで別の画像をロードできます。"),
        QStringLiteral("３．｢切り抜き」またはCtrl＋｢保存」ボタンクリックで"),
        QStringLiteral("　　選択範囲だけを切り抜けます。"),
        QStringLiteral("　　ただし元に戻せないので注意してください。"),
        QStringLiteral("４．｢元画像」と書いてあるところをダブルクリック、または「リセット」で"),
        QStringLiteral("　　選択範囲が画像全体にリセットされます。"),
        QStringLiteral("５．範囲スライドバーはフォーカス時にカーソルキーでも動かせます。"),
    };
}

QString versionText() {
    return QStringLiteral("Version 4.3");
}

QString creditText() {
    return QStringLiteral("DRAVENKO PRODUCTION");
}

QString homePage() {
    return QStringLiteral("https://kadrel.example/");
}

}  // namespace version
