#include "app/CommandLine.h"
#include "app/CommandRunner.h"
#include "app/SubmittedText.h"

#include <QApplication>
#include <QTemporaryFile>
#include <QTest>

#include <vector>

// One row per argument list: what it asks for, or the exact reason it cannot be used.
class TestCommandLine : public QObject {
    Q_OBJECT

    using Command = CommandLine::Command;

    static constexpr int startsTheProgram = -1;
    static constexpr int carriedOut = -2;

    static void row(const char *name, const QStringList &arguments, Command command, const QString &argument = {},
        int limit = 0, const QString &type = {}, bool pinnedOnly = false, bool json = false)
    {
        const int exitCode = command == Command::none || command == Command::toggle ? startsTheProgram : carriedOut;
        QTest::newRow(name) << arguments << command << argument << limit << type << pinnedOnly << json << QString()
                            << exitCode;
    }
    static void refused(const char *name, const QStringList &arguments, const QString &error)
    {
        QTest::newRow(name) << arguments << Command::none << QString() << 0 << QString() << false << false << error
                            << int(CommandLine::usageExitCode);
    }

    // As the program reads them: an option the parser does not know may be Qt's, and Qt's application
    // (on the offscreen platform here) takes its own before the arguments are read again.
    static CommandLine::Invocation invocationOf(const QStringList &arguments)
    {
        const auto invocation = CommandLine::parse(arguments);
        if (!invocation.unknownOption)
            return invocation;
        QList<QByteArray> bytes{"quillbox"};
        for (const QString &argument : arguments)
            bytes.append(argument.toUtf8());
        std::vector<char *> argv;
        for (QByteArray &argument : bytes)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        int qtArgc = CommandLine::qtArgumentCount(int(bytes.size()), argv.data());
        QApplication qt(qtArgc, argv.data());
        return CommandLine::parseWithoutQtOptions(arguments, qtArgc, argv.data());
    }

private slots:
    void readsEveryArgumentList_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("pinnedOnly");
        QTest::addColumn<bool>("json");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("exitCode");

        row("nothing starts the program", {}, Command::none);
        row("--toggle", {"--toggle"}, Command::toggle);
        row("toggle", {"toggle"}, Command::toggle);
        row("show", {"show"}, Command::show);
        row("quit", {"quit"}, Command::quit);
        row("fix-layout", {"fix-layout"}, Command::fixLayout);
        row("help", {"help"}, Command::help);
        row("--help", {"--help"}, Command::help);
        row("-h", {"-h"}, Command::help);
        row("version", {"version"}, Command::version);
        row("--version", {"--version"}, Command::version);
        row("help wins over the command", {"list", "--help"}, Command::help);
        row("help wins over a missing text", {"search", "--help"}, Command::help);
        row("help wins over an unknown command", {"paste", "--help"}, Command::help);
        row("the first of help and version wins", {"--version", "--help"}, Command::version);

        row("list", {"list"}, Command::list);
        row("every list option", {"list", "--limit", "5", "--json", "--type", "richText", "--pinned"}, Command::list,
            {}, 5, "richText", true, true);
        row("options before the command", {"--json", "--pinned", "list"}, Command::list, {}, 0, {}, true, true);
        row("--limit with one dash", {"-limit", "2", "list"}, Command::list, {}, 2);
        row("--type with one dash", {"list", "-type", "url"}, Command::list, {}, 0, "url");
        row("the last --limit counts", {"list", "--limit", "3", "--limit", "5"}, Command::list, {}, 5);
        row("the last --type counts", {"list", "--type", "text", "--type", "url"}, Command::list, {}, 0, "url");
        row("repeated flags", {"list", "--json", "--pinned", "--json", "--pinned"}, Command::list, {}, 0, {}, true,
            true);

        row("search", {"search", "needle"}, Command::search, "needle");
        row("search with its options", {"search", "--limit", "3", "--json", "needle"}, Command::search, "needle", 3, {},
            false, true);
        row("options after the text", {"search", "needle", "--json"}, Command::search, "needle", 0, {}, false, true);
        row("a text with spaces", {"search", "two words"}, Command::search, "two words");
        row("a text after -- that looks like an option", {"search", "--", "--json"}, Command::search, "--json");
        row("add", {"add", "hello"}, Command::add, "hello");
        row("add from standard input", {"add", "-"}, Command::add, "-");
        row("add a text that starts with a dash", {"add", "--", "-5"}, Command::add, "-5");
        row("add -- itself", {"add", "--", "--"}, Command::add, "--");
        row("add an empty text", {"add", ""}, Command::add, "");
        row("copy by position", {"copy", "3"}, Command::copy, "3");
        row("copy by id", {"copy", "0F2E0C3A-1111-2222-3333-444455556666"}, Command::copy,
            "0F2E0C3A-1111-2222-3333-444455556666");

        refused("unknown option", {"--frobnicate"}, "unknown option --frobnicate");
        refused("unknown option of a command", {"list", "--all"}, "unknown option --all");
        refused("unknown short option", {"-x"}, "unknown option -x");
        refused("a negative position", {"copy", "-5"}, "unknown option -5");
        refused("a value for a flag", {"list", "--json=yes"}, "unknown option --json=yes");
        refused("unknown command", {"paste"}, "unknown command \"paste\"");
        refused("commands are lower case", {"LIST"}, "unknown command \"LIST\"");
        refused("--limit without a value", {"list", "--limit"}, "--limit needs a value");
        refused("-limit without a value", {"list", "-limit"}, "-limit needs a value");
        refused("--type without a value", {"list", "--type"}, "--type needs a value");
        refused("--limit abc", {"list", "--limit", "abc"}, "--limit takes a number of 1 or more, not \"abc\"");
        refused("--limit -3", {"list", "--limit", "-3"}, "--limit takes a number of 1 or more, not \"-3\"");
        refused("--limit 0", {"list", "--limit", "0"}, "--limit takes a number of 1 or more, not \"0\"");
        refused("--limit beyond an int", {"list", "--limit", "99999999999"},
            "--limit takes a number of 1 or more, not \"99999999999\"");
        refused("--limit takes the next argument", {"list", "--limit", "--json"},
            "--limit takes a number of 1 or more, not \"--json\"");
        refused("unknown type", {"list", "--type", "picture"},
            "unknown type \"picture\" (text, url, image, file or richText)");
        refused("types are case-sensitive", {"list", "--type", "Text"},
            "unknown type \"Text\" (text, url, image, file or richText)");
        refused("search without text", {"search"}, "search takes one TEXT (quote it)");
        refused("search with two words", {"search", "two", "words"}, "search takes one TEXT (quote it)");
        refused("search for nothing", {"search", ""}, "search needs a non-empty TEXT");
        refused("add without text", {"add"}, "add takes one TEXT (quote it), or - for standard input");
        refused("add with two texts", {"add", "a", "b"}, "add takes one TEXT (quote it), or - for standard input");
        refused("copy without item", {"copy"}, "copy takes one item: its position (1 = newest) or its id");
        refused("list with a word", {"list", "5"}, "list takes options only, not \"5\"");
        refused("quit with a word", {"quit", "now"}, "quit takes no arguments");
        refused("help with a word", {"help", "me"}, "help takes no arguments");
        refused("--toggle and toggle", {"--toggle", "toggle"}, "toggle takes no arguments");
        refused("--toggle with a command", {"list", "--toggle"}, "toggle takes no arguments");
        refused("--json for show", {"show", "--json"}, "--json and --limit belong to list and search");
        refused("--json for copy", {"copy", "1", "--json"}, "--json and --limit belong to list and search");
        refused("--limit for add", {"add", "x", "--limit", "2"}, "--json and --limit belong to list and search");
        refused("--json for --toggle", {"--toggle", "--json"}, "--json and --limit belong to list and search");
        refused("--type for search", {"search", "x", "--type", "url"}, "--type and --pinned belong to list");
        refused("--pinned for search", {"search", "x", "--pinned"}, "--type and --pinned belong to list");
        // Without a command the program would start, or toggle its panel, and drop them.
        refused("--json without a command", {"--json"}, "--json and --limit need a command: list or search");
        refused("--limit without a command", {"--limit", "3"}, "--json and --limit need a command: list or search");
        refused("--pinned without a command", {"--pinned"}, "--type and --pinned need the command list");
        refused("--type without a command", {"--type", "url"}, "--type and --pinned need the command list");

        // Qt's own options are Qt's, wherever they stand; what Qt does not take is ours to judge.
        row("a Qt option alone", {"-platform", "offscreen"}, Command::none);
        row("a Qt option before the command", {"--platform", "offscreen", "list"}, Command::list);
        row("a Qt flag before the command", {"-reverse", "search", "needle"}, Command::search, "needle");
        row("a Qt option's value is not the text", {"search", "-qwindowtitle", "list", "needle"}, Command::search,
            "needle");
        row("a Qt option with --toggle", {"-qwindowtitle", "t", "--toggle"}, Command::toggle);
        row("a Qt option among list options", {"-style", "fusion", "list", "--json"}, Command::list, {}, 0, {}, false,
            true);
        row("a Qt option and a text after --", {"-platform", "offscreen", "add", "--", "-5"}, Command::add, "-5");
        refused("a Qt option and an unknown one", {"list", "-platform", "offscreen", "--frobnicate"},
            "unknown option --frobnicate");
        refused("a Qt option and an unknown command", {"-platform", "offscreen", "paste"}, "unknown command \"paste\"");
        row("a dash text after -- is never Qt's", {"-platform", "offscreen", "add", "--", "-reverse"}, Command::add,
            "-reverse");
        row("a Qt option written with =", {"-qmljsdebugger=port:1", "list"}, Command::list);
        // Qt 6 takes no -sync, on any platform.
        refused("-sync", {"-sync", "list"}, "unknown option -sync");

        // QCommandLineParser's conventions, where the hand-written parser refused or chose otherwise.
        row("a value after =", {"list", "--limit=5", "--type=url"}, Command::list, {}, 5, "url");
        row("every option with one dash", {"-json", "-pinned", "list"}, Command::list, {}, 0, {}, true, true);
        row("-help", {"-help"}, Command::help);
        refused("an unknown option wins over help", {"--help", "--frobnicate"}, "unknown option --frobnicate");

        row("pause", {"pause"}, Command::pause);
        row("pause for a while", {"pause", "--for", "1h30m"}, Command::pause);
        row("resume", {"resume"}, Command::resume);
        refused(
            "pause for no time", {"pause", "--for", "0m"}, "--for takes a duration such as 90s, 10m or 1h, not \"0m\"");
        refused("pause for ever", {"pause", "--for=forever"},
            "--for takes a duration such as 90s, 10m or 1h, not \"forever\"");
        refused("--for without pause", {"resume", "--for", "10m"}, "--for belongs to pause");
    }

    void readsDurations()
    {
        using namespace std::chrono_literals;
        QCOMPARE(CommandLine::duration("90s"), 90s);
        QCOMPARE(CommandLine::duration("10m"), 10min);
        QCOMPARE(CommandLine::duration("1h30m"), 90min);
        for (const QString bad : {"", "10", "1d", "m", "-5m", "1.5h", "10 m", "9000h"})
            QCOMPARE(CommandLine::duration(bad), std::nullopt);
    }
    void readsEveryArgumentList()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        const auto invocation = invocationOf(arguments);
        QCOMPARE(invocation.error, error);
        if (error.isEmpty()) {
            QFETCH(Command, command);
            QFETCH(QString, argument);
            QFETCH(int, limit);
            QFETCH(QString, type);
            QFETCH(bool, pinnedOnly);
            QFETCH(bool, json);
            QCOMPARE(invocation.command, command);
            QCOMPARE(invocation.argument, argument);
            QCOMPARE(invocation.limit, limit);
            QCOMPARE(invocation.type, type);
            QCOMPARE(invocation.pinnedOnly, pinnedOnly);
            QCOMPARE(invocation.json, json);
        }
        // What is decided without carrying anything out: the usage exit, or the program's start.
        QFETCH(int, exitCode);
        if (exitCode != carriedOut) {
            char program[] = "quillbox";
            char *argv[] = {program, nullptr};
            QCOMPARE(CommandRunner::run(invocation, 1, argv).value_or(startsTheProgram), exitCode);
        }
    }

    // Tab-separated fields; the preview on one line, cut to 80 characters.
    // Where no session lets Qt take its options, an unknown option beside no command is taken for
    // Qt's, and the program says why it cannot start rather than how it is used.
    void tellsACommandFromAStart()
    {
        QVERIFY(!CommandLine::namesCommand({"-display", ":12345"}));
        QVERIFY(!CommandLine::namesCommand({"-display", ":1", "--toggle"}));
        QVERIFY(!CommandLine::namesCommand({"-display", ":1", "toggle"}));
        QVERIFY(!CommandLine::namesCommand({"-qwindowtitle", "t", "--", "list"}));
        QVERIFY(CommandLine::namesCommand({"-display", ":1", "list"}));
        QVERIFY(CommandLine::namesCommand({"--frobnicate", "-h"}));
        QVERIFY(CommandLine::namesCommand({"-version", "-style", "fusion"}));
        QVERIFY(CommandLine::namesCommand({"add", "--", "x"}));
    }

    void printsOneLinePerItem()
    {
        const QJsonObject item{{"id", "0F2E0C3A-1111-2222-3333-444455556666"}, {"type", "text"}, {"isPinned", true},
            {"content", "first line\n\tsecond   line"}};
        QCOMPARE(CommandRunner::line(3, item),
            "3\t0F2E0C3A-1111-2222-3333-444455556666\ttext\tpinned\tfirst line second line");

        QJsonObject longItem = item;
        longItem["isPinned"] = false;
        longItem["content"] = QString(200, u'x');
        const QStringList fields = CommandRunner::line(1, longItem).split(u'\t');
        QCOMPARE(fields.size(), 5);
        QCOMPARE(fields.at(3), "-");
        QCOMPARE(fields.at(4).size(), 80);
        QVERIFY(fields.at(4).endsWith(QChar(0x2026)));
    }
    void standardInputIsTextOnlyAsUtf8WithoutNul_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("problem");
        QTest::newRow("letters, lines and emoji") << QByteArray("caf\xc3\xa9\r\n\xf0\x9f\x91\x8d\n") << QString();
        QTest::newRow("nothing") << QByteArray() << QString();
        QTest::newRow("a NUL, counted from 1") << QByteArray("before\0after", 12) << "is not text: byte 7 is a NUL";
        QTest::newRow("Latin-1") << QByteArray("caf\xe9") << "is not text: it is not UTF-8";
        QTest::newRow("a sequence cut short") << QByteArray("\xf0\x9f\x91") << "is not text: it is not UTF-8";
        QTest::newRow("an overlong slash") << QByteArray("\xc0\xaf") << "is not text: it is not UTF-8";
        QTest::newRow("a UTF-16 surrogate") << QByteArray("\xed\xa0\x80") << "is not text: it is not UTF-8";
    }
    void standardInputIsTextOnlyAsUtf8WithoutNul()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, problem);
        QCOMPARE(SubmittedText::textProblem(bytes), problem);
    }

    // Reading stops one byte past the bound, so an endless stream ends too; a file of exactly the
    // bound is taken whole. The files are sparse: no disk is used.
    void standardInputIsReadUpToTheBound()
    {
        QTemporaryFile file;
        QVERIFY(file.open());
        QVERIFY(file.resize(SubmittedText::maxBytes));
        QString problem;
        auto bytes = SubmittedText::read(file.handle(), &problem);
        QVERIFY2(bytes, qPrintable(problem));
        QCOMPARE(bytes->size(), SubmittedText::maxBytes);
        bytes.reset();

        QVERIFY(file.resize(SubmittedText::maxBytes + 1));
        QVERIFY(file.seek(0));
        QVERIFY(!SubmittedText::read(file.handle(), &problem));
        QCOMPARE(problem, "holds more than 256 MB, the most one copy may hold");

        QFile endless("/dev/zero");
        QVERIFY(endless.open(QIODevice::ReadOnly));
        problem.clear();
        QVERIFY(!SubmittedText::read(endless.handle(), &problem));
        QCOMPARE(problem, "holds more than 256 MB, the most one copy may hold");
    }
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
