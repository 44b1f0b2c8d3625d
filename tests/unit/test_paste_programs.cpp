// The programs that type the paste chord, played by small scripts on a PATH of the test's own: how
// each ending is reported, that nobody waits for them, and that a hung one is killed at its deadline.

#include "platform/XdotoolScriptRunner.h"
#include "services/KeyCombo.h"
#include "services/PasteService.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <signal.h>

namespace {

constexpr int deadlineMs = 300;

} // namespace

class TestPastePrograms : public QObject {
    Q_OBJECT

    QTemporaryDir m_bin;

    // A fake `name` on the test's PATH that runs `script` (sh) with the arguments it was given.
    void install(const QString &name, const QByteArray &script)
    {
        QFile file(m_bin.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("#!/bin/sh\necho \"$@\" > " + QFile::encodeName(m_bin.filePath(name + ".args")) + "\n" + script);
        file.close();
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // An X11 session ("DISPLAY") or a Wayland one ("WAYLAND_DISPLAY") whose PATH is the test's only.
    QProcessEnvironment session(const QString &variable) const
    {
        QProcessEnvironment environment;
        environment.insert(variable, QStringLiteral("test"));
        environment.insert(QStringLiteral("PATH"), m_bin.path());
        return environment;
    }

    // The pid a fake wrote to "pid" (echo $$ > pid), once it has.
    pid_t writtenPid() const
    {
        QFile file(m_bin.filePath(QStringLiteral("pid")));
        return file.open(QIODevice::ReadOnly) ? pid_t(file.readAll().trimmed().toLongLong()) : 0;
    }

    QByteArray arguments(const QString &name) const
    {
        QFile file(m_bin.filePath(name + ".args"));
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
    }

private slots:
    void init()
    {
        for (const QString &file : QDir(m_bin.path()).entryList(QDir::Files))
            QFile::remove(m_bin.filePath(file));
    }

    void eachEndingIsReported_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("error"); // "<program>" stands for the program's path

        QTest::newRow("success") << QByteArray("exit 0\n") << true << QString();
        QTest::newRow("says why") << QByteArray("echo 'cannot open display' >&2; exit 1\n") << false
                                  << "cannot open display";
        QTest::newRow("silent failure") << QByteArray("exit 3\n") << false << "<program> exited with code 3";
        QTest::newRow("crash") << QByteArray("kill -SEGV $$\n") << false << "<program> crashed";
        QTest::newRow("hangs") << QByteArray("exec /bin/sleep 30\n") << false
                               << QStringLiteral("<program> did not finish within %1 ms").arg(deadlineMs);
    }

    void eachEndingIsReported()
    {
        QFETCH(QByteArray, script);
        QFETCH(bool, success);
        QFETCH(QString, error);
        install(QStringLiteral("xdotool"), script);
        XdotoolScriptRunner runner(deadlineMs, session(QStringLiteral("DISPLAY")));

        int reports = 0;
        std::optional<ScriptRunner::Result> result;
        runner.runPaste(PasteService::controlV, [&](const ScriptRunner::Result &r) {
            ++reports;
            result = r;
        });
        QVERIFY(!result); // the program runs while the GUI thread goes on
        QTRY_VERIFY(result);
        QCOMPARE(result->success, success);
        QCOMPARE(result->error, error.replace(QStringLiteral("<program>"), m_bin.filePath(QStringLiteral("xdotool"))));
        QCOMPARE(arguments(QStringLiteral("xdotool")), QByteArray("key --clearmodifiers ctrl+v"));
        QTest::qWait(50); // the killed program's own end is not reported again
        QCOMPARE(reports, 1);
    }

    void aHungProgramIsKilledAtItsDeadline()
    {
        install(QStringLiteral("xdotool"),
            "echo $$ > " + QFile::encodeName(m_bin.filePath("pid")) + "; exec /bin/sleep 30\n");
        XdotoolScriptRunner runner(deadlineMs, session(QStringLiteral("DISPLAY")));
        bool reported = false;
        runner.runPaste(PasteService::controlV, [&reported](const ScriptRunner::Result &) { reported = true; });
        QTRY_VERIFY(writtenPid() > 0);
        const pid_t pid = writtenPid();
        QTRY_VERIFY(reported);
        // Gone, and reaped: no zombie is left.
        QTRY_VERIFY(::kill(pid, 0) != 0);
    }

    void aRunnerThatGoesKillsItsProgramAndDropsTheReport()
    {
        install(QStringLiteral("xdotool"),
            "echo $$ > " + QFile::encodeName(m_bin.filePath("pid")) + "; exec /bin/sleep 30\n");
        bool reported = false;
        {
            XdotoolScriptRunner runner(10000, session(QStringLiteral("DISPLAY")));
            runner.runPaste(PasteService::controlV, [&reported](const ScriptRunner::Result &) { reported = true; });
            QTRY_VERIFY(writtenPid() > 0);
        }
        QVERIFY(::kill(writtenPid(), 0) != 0);
        QTest::qWait(20);
        QVERIFY(!reported);
    }

    void programsThatCannotRun()
    {
        // Not installed: said at once.
        std::optional<ScriptRunner::Result> result;
        XdotoolScriptRunner(deadlineMs, session(QStringLiteral("DISPLAY")))
            .runPaste(PasteService::controlV, [&result](const ScriptRunner::Result &r) { result = r; });
        QVERIFY(result && !result->success);
        QCOMPARE(result->error, QStringLiteral("not installed"));

        // Installed but not startable: the system's reason.
        QFile broken(m_bin.filePath("xdotool"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("#!/nonexistent/interpreter\n");
        broken.close();
        broken.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        result.reset();
        XdotoolScriptRunner runner(deadlineMs, session(QStringLiteral("DISPLAY")));
        runner.runPaste(PasteService::controlV, [&result](const ScriptRunner::Result &r) { result = r; });
        QTRY_VERIFY(result);
        QVERIFY(!result->success);
        QVERIFY2(
            !result->error.isEmpty() && !result->error.contains(QStringLiteral("within")), qPrintable(result->error));
    }

    void waylandSessionsTypeThroughWtypeElseYdotool()
    {
        const KeyCombo terminalChord = *KeyCombo::fromKeysText(QStringLiteral("ctrl+shift+v"));
        install(QStringLiteral("ydotool"), "exit 0\n");
        std::optional<ScriptRunner::Result> result;
        XdotoolScriptRunner runner(deadlineMs, session(QStringLiteral("WAYLAND_DISPLAY")));
        runner.runPaste(terminalChord, [&result](const ScriptRunner::Result &r) { result = r; });
        QTRY_VERIFY(result && result->success);
        // Evdev codes, pressed in order and released in reverse.
        QCOMPARE(arguments(QStringLiteral("ydotool")), QByteArray("key 29:1 42:1 47:1 47:0 42:0 29:0"));

        install(QStringLiteral("wtype"), "exit 0\n");
        result.reset();
        runner.runPaste(terminalChord, [&result](const ScriptRunner::Result &r) { result = r; });
        QTRY_VERIFY(result && result->success);
        QCOMPARE(arguments(QStringLiteral("wtype")), QByteArray("-s 50 -M ctrl -M shift -k v -m ctrl -m shift"));
    }
};

QTEST_GUILESS_MAIN(TestPastePrograms)
#include "test_paste_programs.moc"
