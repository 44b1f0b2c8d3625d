// PasteService with fake key synthesis, script and system log: the routes it takes and the debug log file.

#include "FakeKeySynthesizer.h"
#include "ManualClock.h"
#include "RecordingSystemLog.h"
#include "services/KeyCombo.h"
#include "services/PasteService.h"
#include "services/TerminalPasteChords.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <sys/stat.h>

namespace {

QStringList messagesOf(const QByteArray &file)
{
    static const QRegularExpression line(QStringLiteral(R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \+0000\] (.*)$)"));
    QStringList messages;
    for (const QString &text : QString::fromUtf8(file).split(u'\n', Qt::SkipEmptyParts)) {
        const auto match = line.match(text);
        messages.append(match.hasMatch() ? match.captured(1) : QStringLiteral("<malformed> ") + text);
    }
    return messages;
}

} // namespace

class TestPasteService : public QObject {
    Q_OBJECT

private slots:
    void debugLogIsCreatedPrivateThenAppended()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("quillbox_debug.log"));
        FakeKeySynthesizer keys;
        FakeScriptRunner script;
        RecordingSystemLog journal;
        PasteService service(keys, journal, script, path);

        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        service.log(QStringLiteral("first — ünïcode"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray first = file.readAll();
        file.close();
        QVERIFY(first.endsWith(" +0000] first — ünïcode\n"));
        QCOMPARE(first.count('\n'), 1);
        // The stamp is UTC, whatever the local zone.
        const QDateTime stamp
            = QDateTime::fromString(QString::fromUtf8(first.mid(1, 19)), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QVERIFY(stamp.isValid());
        const QDateTime utcStamp(stamp.date(), stamp.time(), QTimeZone::utc());
        QVERIFY(utcStamp >= before && utcStamp <= QDateTime::currentDateTimeUtc().addSecs(1));

        struct stat info { };
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);

        service.log(QStringLiteral("two\nlines"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray both = file.readAll();
        QVERIFY(both.startsWith(first));
        QVERIFY(both.endsWith(" +0000] two\nlines\n"));
        QCOMPARE(journal.entries,
            QStringList({QStringLiteral("PasteService|first — ünïcode"), QStringLiteral("PasteService|two\nlines")}));
    }

    void anExistingLogKeepsItsContent()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("log"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("older line\n");
        file.close();
        FakeKeySynthesizer keys;
        FakeScriptRunner script;
        RecordingSystemLog journal;
        ManualClock clock;
        clock.advance(61500);
        PasteService(keys, journal, script, path, clock).log(QStringLiteral("new"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("older line\n[2026-01-01 09:01:01 +0000] new\n"));
    }

    void aFullLogIsSetAsideAndStartedAfresh()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("log"));
        FakeKeySynthesizer keys;
        FakeScriptRunner script;
        RecordingSystemLog journal;
        PasteService paste(keys, journal, script, path);
        paste.setMaxDebugLogBytes(100);
        for (int i = 0; i < 10; ++i)
            paste.log(QStringLiteral("line %1").arg(i));
        // Two files of about the bound at most, the newest lines in the current one.
        QVERIFY(QFileInfo(path).size() <= 100 + 40);
        QVERIFY(QFileInfo(path + ".1").size() <= 100 + 40);
        QFile current(path);
        QVERIFY(current.open(QIODevice::ReadOnly));
        QVERIFY(current.readAll().endsWith("] line 9\n"));
        QCOMPARE(QFileInfo(path).permissions() & 0x0077, QFileDevice::Permissions());
    }

    void anUnwritableLogIsIgnored()
    {
        FakeKeySynthesizer keys;
        FakeScriptRunner script;
        RecordingSystemLog journal;
        PasteService(keys, journal, script, QStringLiteral("/nonexistent/dir/log")).simulatePaste();
        QCOMPARE(keys.chords.size(), 1);
        QCOMPARE(journal.entries.size(), 4);
    }

    void routes_data()
    {
        QTest::addColumn<bool>("available");
        QTest::addColumn<bool>("connection");
        QTest::addColumn<bool>("canCreate");
        QTest::addColumn<QString>("scriptError");
        QTest::addColumn<int>("chords");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("chord"); // empty: Control+V

        const QString called = QStringLiteral("simulatePaste called");
        QTest::newRow("xtest") << true << true << true << QString() << 1
                               << QStringList{called, "XTest available: true", "XTest connection: true",
                                      "Paste simulated via XTest SUCCESS"}
                               << QString();
        QTest::newRow("not trusted, script works")
            << false << true << true << QString() << 0
            << QStringList{called, "XTest available: false", "Not trusted — trying script fallback",
                   "Trying script paste", "Paste simulated via script SUCCESS"}
            << QString();
        QTest::newRow("not trusted, script fails")
            << false << false << true << QStringLiteral("not installed") << 0
            << QStringList{called, "XTest available: false", "Not trusted — trying script fallback",
                   "Trying script paste", "Script error: not installed"}
            << QString();
        QTest::newRow("no key events") << true << false << false << QStringLiteral("xdotool exited with code 1") << 0
                                       << QStringList{called, "XTest available: true", "XTest connection: false",
                                              "Failed to create key events — trying script", "Trying script paste",
                                              "Script error: xdotool exited with code 1"}
                                       << QString();
        QTest::newRow("terminal chord") << true << true << true << QString() << 1
                                        << QStringList{called, "Paste chord: shift+Insert", "XTest available: true",
                                               "XTest connection: true", "Paste simulated via XTest SUCCESS"}
                                        << "shift+Insert";
        QTest::newRow("terminal chord by script")
            << false << true << true << QString() << 0
            << QStringList{called, "Paste chord: ctrl+shift+v", "XTest available: false",
                   "Not trusted — trying script fallback", "Trying script paste", "Paste simulated via script SUCCESS"}
            << "ctrl+shift+v";
    }

    void routes()
    {
        QFETCH(bool, available);
        QFETCH(bool, connection);
        QFETCH(bool, canCreate);
        QFETCH(QString, scriptError);
        QFETCH(int, chords);
        QFETCH(QStringList, lines);
        QFETCH(QString, chord);
        const KeyCombo pasteChord = chord.isEmpty() ? PasteService::controlV : *KeyCombo::fromKeysText(chord);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("log"));
        FakeKeySynthesizer keys;
        keys.available = available;
        keys.connection = connection;
        keys.canCreate = canCreate;
        FakeScriptRunner script;
        script.error = scriptError;
        RecordingSystemLog journal;
        int done = 0;
        PasteService(keys, journal, script, path).simulatePaste(pasteChord, [&done] { ++done; });
        QCOMPARE(done, 1);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(messagesOf(file.readAll()), lines);
        QStringList journalLines = journal.entries;
        for (QString &entry : journalLines)
            entry.remove(QStringLiteral("PasteService|"));
        QCOMPARE(journalLines, lines);
        QCOMPARE(keys.chords.size(), chords);
        if (chords) // exactly the chord's modifiers: no other is carried
            QCOMPARE(keys.chords.first(), qMakePair(int(pasteChord.keyCode), pasteChord.modifiers));
        // The script route runs once, never retried, with the same chord.
        QCOMPARE(script.chords, chords ? QList<KeyCombo>() : QList<KeyCombo>{pasteChord});
    }

    void theOutcomeIsLoggedWhenItIsReported()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("log"));
        FakeKeySynthesizer keys;
        keys.deferred = true;
        keys.canCreate = false;
        FakeScriptRunner script;
        script.deferred = true;
        script.error = QStringLiteral("xdotool did not finish within 2000 ms");
        RecordingSystemLog journal;
        PasteService paste(keys, journal, script, path);
        const auto lines = [&path] {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            return messagesOf(file.readAll());
        };

        int done = 0;
        paste.simulatePaste(PasteService::controlV, [&done] { ++done; });
        // Returned with the chord on its way: the fallback waits for the key events' report.
        QCOMPARE(lines().size(), 3);
        QVERIFY(script.chords.isEmpty());
        keys.report();
        QCOMPARE(script.chords.size(), 1);
        QCOMPARE(done, 0);
        script.report();
        QCOMPARE(done, 1);
        QCOMPARE(lines(),
            QStringList({"simulatePaste called", "XTest available: true", "XTest connection: true",
                "Failed to create key events — trying script", "Trying script paste",
                "Script error: xdotool did not finish within 2000 ms"}));

        keys.canCreate = true;
        paste.simulatePaste(PasteService::controlV, [&done] { ++done; });
        QCOMPARE(done, 1);
        QCOMPARE(lines().last(), QStringLiteral("XTest connection: true"));
        keys.report();
        QCOMPARE(done, 2);
        QCOMPARE(lines().last(), QStringLiteral("Paste simulated via XTest SUCCESS"));
    }

    void terminalsPasteWithTheirOwnChords()
    {
        const TerminalPasteChords terminals;
        const auto xterm = terminals.find(QStringLiteral("XTerm"));
        QVERIFY(xterm);
        QCOMPARE(xterm->chord.keysText(), QStringLiteral("shift+Insert"));
        QVERIFY(xterm->pastesPrimary);
        const auto gnome = terminals.find(QStringLiteral("gnome-terminal")); // WM_CLASS case varies by version
        QVERIFY(gnome);
        QCOMPARE(gnome->chord.keysText(), QStringLiteral("ctrl+shift+v"));
        QVERIFY(!gnome->pastesPrimary);
        QVERIFY(!terminals.find(QStringLiteral("org.gnome.TextEditor")));
        QVERIFY(!terminals.find(QString()));
    }

    void theUsersEntriesExtendTheTable()
    {
        for (const char *bad : {"NoChord", "Bad:ctrl+hyper+v", ":ctrl+v", "Empty:"})
            QTest::ignoreMessage(QtWarningMsg,
                QRegularExpression(
                    QStringLiteral("Ignoring terminalPasteChords entry ") + QRegularExpression::escape(bad)));
        const TerminalPasteChords terminals(
            QStringLiteral(" MyTerm : ctrl+shift+v ;NoChord;Bad:ctrl+hyper+v;;:ctrl+v;XTerm:ctrl+shift+v;Empty:;"
                           "OldTerm:Shift+Insert"));
        QCOMPARE(terminals.find(QStringLiteral("myterm"))->chord.keysText(), QStringLiteral("ctrl+shift+v"));
        QVERIFY(terminals.find(QStringLiteral("OldTerm"))->pastesPrimary);
        // A known class takes the user's chord instead.
        QCOMPARE(terminals.find(QStringLiteral("XTerm"))->chord.keysText(), QStringLiteral("ctrl+shift+v"));
        QVERIFY(!terminals.find(QStringLiteral("XTerm"))->pastesPrimary);
        QVERIFY(!terminals.find(QStringLiteral("NoChord")));
        QVERIFY(!terminals.find(QStringLiteral("Bad")));
        QVERIFY(terminals.find(QStringLiteral("kitty"))); // the rest of the table stays
    }
};

QTEST_GUILESS_MAIN(TestPasteService)
#include "test_paste_service.moc"
