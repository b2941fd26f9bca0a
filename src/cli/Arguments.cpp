#include "cli/Arguments.h"

#include <QSet>

namespace cli {
namespace {

struct CommandName {
    const char* name;
    Command command;
};
constexpr CommandName kCommands[] = {
    {"--new", Command::New},        {"--show", Command::Show},     {"--hide", Command::Hide},
    {"--toggle", Command::Toggle},  {"--search", Command::Search}, {"--export", Command::Export},
    {"--import", Command::Import},  {"--help", Command::Help},     {"-h", Command::Help},
    {"--version", Command::Version}};

// The toolkit's own options, which it takes off the command line itself; those in the first
// list take a value.
const QSet<QString> kToolkitOptionsWithValue = {QStringLiteral("platform"),
                                                QStringLiteral("platformpluginpath"),
                                                QStringLiteral("platformtheme"),
                                                QStringLiteral("plugin"),
                                                QStringLiteral("qwindowgeometry"),
                                                QStringLiteral("qwindowicon"),
                                                QStringLiteral("qwindowtitle"),
                                                QStringLiteral("session"),
                                                QStringLiteral("display"),
                                                QStringLiteral("geometry"),
                                                QStringLiteral("style"),
                                                QStringLiteral("stylesheet"),
                                                QStringLiteral("name"),
                                                QStringLiteral("title")};
const QSet<QString> kToolkitFlags = {QStringLiteral("reverse"), QStringLiteral("nograb"),
                                     QStringLiteral("dograb"), QStringLiteral("sync"),
                                     QStringLiteral("widgetcount")};

// The option's name when `argument` is one of the toolkit's options ("-style", "--style",
// "-style=fusion").
QString ToolkitOption(const QString& argument) {
    if (!argument.startsWith(QLatin1Char('-')) || argument.size() < 2)
        return {};
    QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    name = name.section(QLatin1Char('='), 0, 0);
    return kToolkitOptionsWithValue.contains(name) || kToolkitFlags.contains(name) ? name
                                                                                   : QString();
}

Arguments Wrong(const QString& message) {
    Arguments out;
    out.command = Command::Error;
    out.error = message;
    return out;
}

} // namespace

Arguments ParseArguments(const QStringList& arguments) {
    Arguments out;
    QStringList words; // arguments that are not options
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        // After the command word a word with one dash is text ("-5 度", "-name"), not an option.
        const bool afterCommand = out.command != Command::None;
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == "-" ||
            (afterCommand && !argument.startsWith(QLatin1String("--")))) {
            words << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (const QString toolkit = ToolkitOption(argument); !toolkit.isEmpty() && !afterCommand) {
            out.toolkit << i;
            if (kToolkitOptionsWithValue.contains(toolkit) &&
                !argument.contains(QLatin1Char('=')) && i + 1 < arguments.size())
                out.toolkit << ++i;
            continue;
        }
        if (argument == QLatin1String("--box") || argument.startsWith(QLatin1String("--box="))) {
            QString value;
            if (argument.contains(QLatin1Char('=')))
                value = argument.section(QLatin1Char('='), 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            bool ok = false;
            const int box = value.toInt(&ok);
            if (!ok || box < 1 || box > 6)
                return Wrong(QStringLiteral("--box には 1 から 6 の箱の番号を指定してください: %1")
                                 .arg(value.isEmpty() ? QStringLiteral("（なし）") : value));
            if (out.boxGiven)
                return Wrong(QStringLiteral("--box が二度指定されています"));
            out.box = box;
            out.boxGiven = true;
            continue;
        }
        Command command = Command::None;
        for (const CommandName& known : kCommands)
            if (argument == QLatin1String(known.name))
                command = known.command;
        if (command == Command::None)
            return Wrong(QStringLiteral("不明なオプションです: %1").arg(argument));
        if (out.command != Command::None && out.command != command)
            return Wrong(QStringLiteral("コマンドは一度に一つだけ指定できます: %1").arg(argument));
        out.command = command;
    }

    if (out.boxGiven && out.command != Command::New && out.command != Command::Import)
        return Wrong(QStringLiteral("--box は --new か --import と一緒に指定してください"));
    switch (out.command) {
    case Command::None:
        if (!words.isEmpty())
            return Wrong(QStringLiteral("コマンドがありません: %1").arg(words.first()));
        break;
    case Command::New:
    case Command::Search:
        if (!words.isEmpty())
            out.text = words.join(QLatin1Char(' '));
        break;
    case Command::Export:
        if (words.size() != 1)
            return Wrong(QStringLiteral("--export には書き出し先のフォルダを一つ指定してください"));
        out.folder = words.first();
        break;
    case Command::Import:
        if (words.isEmpty())
            return Wrong(QStringLiteral("--import には読み込むファイルを指定してください"));
        out.files = words;
        break;
    default:
        if (!words.isEmpty())
            return Wrong(QStringLiteral("このコマンドは引数を取りません: %1").arg(words.first()));
        break;
    }
    return out;
}

QString Usage() {
    return QStringLiteral(
        "使い方 (usage): tabuko [コマンド]\n"
        "\n"
        "  (なし)                      Tabuko を起動します / start the program\n"
        "  --new [--box N] [TEXT]      箱 N (1-6, 既定 1) に TEXT を新しいメモとして保存します。\n"
        "                              TEXT がなければ標準入力 (パイプ) の内容を、それもなければ\n"
        "                              エディタを開きます / store TEXT (or piped standard input)\n"
        "                              as a new memo in box N; with neither, open the editor\n"
        "  --show                      ウィンドウを表示します / show the window\n"
        "  --hide                      ウィンドウを隠します / hide the window\n"
        "  --toggle                    表示と非表示を切り替えます / show or hide the window\n"
        "  --search [TEXT]             メモの検索を開きます / open the search window\n"
        "  --export DIR                すべての箱を UTF-8 のテキストとして DIR に書き出します /\n"
        "                              write every box as UTF-8 text into DIR\n"
        "  --import [--box N] FILE...  書き出したファイルのメモ、またはテキストファイル 1 つを\n"
        "                              1 件のメモとして取り込みます / add the memos of exported\n"
        "                              files, or one memo per plain text file\n"
        "  --help                      この説明を表示します / show this help\n"
        "  --version                   版を表示します / show the version\n"
        "\n"
        "コマンドはこのフォルダで動いている Tabuko に渡されます。動いていなければファイルを直接\n"
        "扱います (--show, --toggle, --search とテキストのない --new は Tabuko を起動します)。\n"
        "Commands go to the Tabuko running in the current folder; without one they work on the\n"
        "files directly. Exit status: 0 done, 1 failed, 2 wrong command line.\n");
}

} // namespace cli
