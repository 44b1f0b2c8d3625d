#include "app/CommandLine.h"
#include "app/SubmittedText.h"

#include <QTemporaryFile>
#include <QTest>

class TestCommandLine : public QObject {
    Q_OBJECT

    static CommandLine::Invocation parse(const QString &line)
    {
        return CommandLine::parse(line.isEmpty() ? QStringList() : line.split(u' '));
    }

private slots:
    void understandsEveryCommand_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("argument");
        QTest::newRow("nothing starts the program") << ""
                                                    << ""
                                                    << "";
        QTest::newRow("Qt's options start the program") << "-display :3 -platform xcb -reverse"
                                                        << ""
                                                        << "";
        QTest::newRow("--toggle") << "--toggle"
                                  << "toggle"
                                  << "";
        QTest::newRow("toggle after a Qt option") << "--display :3 toggle"
                                                  << "toggle"
                                                  << "";
        QTest::newRow("help wins") << "list --help"
                                   << "help"
                                   << "";
        QTest::newRow("version") << "--version"
                                 << "version"
                                 << "";
        QTest::newRow("search") << "search needle"
                                << "search"
                                << "needle";
        QTest::newRow("a Qt option's value is not the text") << "search -display list needle"
                                                             << "search"
                                                             << "needle";
        QTest::newRow("add from standard input") << "add -"
                                                 << "add"
                                                 << "-";
        QTest::newRow("add a text that starts with a dash") << "add -- -5"
                                                            << "add"
                                                            << "-5";
        QTest::newRow("copy by position") << "copy 3"
                                          << "copy"
                                          << "3";
        QTest::newRow("fix-layout") << "fix-layout"
                                    << "fix-layout"
                                    << "";
    }
    void understandsEveryCommand()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, command);
        QFETCH(QString, argument);
        const auto invocation = parse(arguments);
        QCOMPARE(invocation.error, QString());
        QCOMPARE(invocation.command, command);
        QCOMPARE(invocation.argument, argument);
    }

    void takesTheListOptions()
    {
        const auto invocation = parse("list --limit 5 --json --type richText --pinned");
        QCOMPARE(invocation.error, QString());
        QCOMPARE(invocation.limit, 5);
        QVERIFY(invocation.json);
        QCOMPARE(invocation.type, "richText");
        QVERIFY(invocation.pinnedOnly);
    }

    void refusesWhatItCannotUse_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unknown option") << "--frobnicate"
                                        << "unknown option --frobnicate";
        QTest::newRow("unknown option of a command") << "list --all"
                                                     << "unknown option --all";
        QTest::newRow("unknown command") << "paste"
                                         << "unknown command \"paste\"";
        QTest::newRow("limit without a value") << "list --limit"
                                               << "--limit needs a value";
        QTest::newRow("limit not a number") << "list --limit many"
                                            << "\"many\"";
        QTest::newRow("limit zero") << "list --limit 0"
                                    << "1 or more";
        QTest::newRow("unknown type") << "list --type picture"
                                      << "unknown type \"picture\"";
        QTest::newRow("search without text") << "search"
                                             << "search takes one TEXT";
        QTest::newRow("search with two words") << "search two words"
                                               << "search takes one TEXT";
        QTest::newRow("add without text") << "add"
                                          << "add takes one TEXT";
        QTest::newRow("copy without item") << "copy"
                                           << "copy takes one item";
        QTest::newRow("list with a word") << "list 5"
                                          << "not \"5\"";
        QTest::newRow("quit with a word") << "quit now"
                                          << "quit takes no arguments";
        QTest::newRow("json for copy") << "copy 1 --json"
                                       << "belong to list and search";
        QTest::newRow("type for search") << "search x --type url"
                                         << "belong to list";
        // Without a command the program would start, or toggle its panel, and drop them.
        QTest::newRow("json alone") << "--json"
                                    << "--json and --limit need a command: list or search";
        QTest::newRow("limit alone") << "--limit 3"
                                     << "need a command: list or search";
        QTest::newRow("pinned alone") << "--pinned"
                                      << "--type and --pinned need the command list";
    }
    void refusesWhatItCannotUse()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, reason);
        const QString error = parse(arguments).error;
        QVERIFY2(error.contains(reason), qPrintable(error));
    }

    // Tab-separated fields; the preview on one line, cut to 80 characters.
    void printsOneLinePerItem()
    {
        const QJsonObject item{{"id", "0F2E0C3A-1111-2222-3333-444455556666"}, {"type", "text"}, {"isPinned", true},
            {"content", "first line\n\tsecond   line"}};
        QCOMPARE(CommandLine::line(3, item),
            "3\t0F2E0C3A-1111-2222-3333-444455556666\ttext\tpinned\tfirst line second line");

        QJsonObject longItem = item;
        longItem["isPinned"] = false;
        longItem["content"] = QString(200, u'x');
        const QStringList fields = CommandLine::line(1, longItem).split(u'\t');
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
