#include "cli/CommandLine.h"

namespace cli {

bool wantsCommandLine(const QStringList& arguments)
{
    for (const QString& argument : arguments)
        if (argument.startsWith(QLatin1String("--")) || argument == QLatin1String("-h"))
            return true;
    return false;
}

std::optional<Options> parse(const QStringList& arguments)
{
    Options options;
    std::optional<Command> command;
    const auto setCommand = [&command](Command c) {
        const bool first = !command;
        command = c;
        return first;
    };
    // An empty folder would quietly mean the program's own folder.
    const auto setDirectory = [&options](const QString& directory) {
        options.settingsDirectory = directory;
        return !directory.isEmpty();
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        bool ok = true;
        if (argument == QLatin1String("--run"))
            ok = setCommand(Command::Run);
        else if (argument == QLatin1String("--check"))
            ok = setCommand(Command::Check);
        else if (argument == QLatin1String("--preview"))
            ok = setCommand(Command::Preview);
        else if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            ok = setCommand(Command::Help);
        else if (argument == QLatin1String("--version"))
            ok = setCommand(Command::Version);
        else if (argument == QLatin1String("--verbose"))
            options.verbose = true;
        else if (argument.startsWith(QLatin1String("--settings=")))
            ok = setDirectory(argument.mid(11));
        else if (argument == QLatin1String("--settings") && i + 1 < arguments.size())
            ok = setDirectory(arguments.at(++i));
        else
            ok = false;
        if (!ok)
            return std::nullopt;
    }
    if (!command)
        return std::nullopt;
    options.command = *command;
    return options;
}

QString usage()
{
    return QStringLiteral(
        "使い方: postsweep [--run | --check | --preview] [--settings フォルダ] [--verbose]\n"
        "        postsweep --help | --version\n"
        "\n"
        "  --run              有効なサーバを一巡して削除条件に合うメールを削除します\n"
        "  --check            有効なサーバにログインできるか確認します\n"
        "  --preview          削除せずに対象を表示します\n"
        "  --settings フォルダ  PostSweep.ini をこのフォルダから読みます（ログとロックも）\n"
        "  --verbose          サーバとのやりとりを標準エラーに出します\n"
        "\n"
        "終了コード: 0 正常、1 エラーのあったサーバあり、2 設定を使えない、3 実行中の PostSweep "
        "あり\n"
        "引数なしで起動するとウィンドウで動きます。\n");
}

} // namespace cli
