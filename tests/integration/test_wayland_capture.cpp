// The real program on each Wayland bed: copies made by Wayland programs land in the SQLite file.

#include "QuillboxProcess.h"
#include "TestImages.h"
#include "WaylandBed.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRasterWindow>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <vector>

class TestWaylandCapture : public QObject {
    Q_OBJECT

    QuillboxProcess m_quillbox;
    QRasterWindow m_window; // draws, so the compositor maps it
    std::vector<std::unique_ptr<QProcess>> m_sources;
    QTemporaryDir m_programs;

    QProcess *start(const QString &program, const QStringList &arguments, const QByteArray &input = {})
    {
        auto process = std::make_unique<QProcess>();
        process->start(program, arguments);
        if (!process->waitForStarted())
            return nullptr;
        if (!input.isNull()) {
            process->write(input);
            process->closeWriteChannel();
        }
        m_sources.push_back(std::move(process));
        return m_sources.back().get();
    }
    QProcess *wlCopy(const QByteArray &data, const QStringList &options = {})
    {
        return start("wl-copy", QStringList{"--foreground"} + options, data);
    }
    QProcess *wlOffer(const QStringList &formats, bool stall = false)
    {
        const QStringList arguments = stall ? formats + QStringList{"--stall"} : formats;
        const auto says = [](QProcess *process, const QByteArray &line) {
            return process && QTest::qWaitFor([&] { return process->canReadLine(); }, 5000)
                && process->readLine().trimmed() == line;
        };
        if (WaylandBed::current().name() != "gnome") {
            QProcess *offer = start(WL_OFFER, arguments);
            return says(offer, "offered") ? offer : nullptr;
        }
        // GNOME gives programs no data-control: an ordinary program copies there, on a key press.
        QProcess *offer = start(QT_OFFER, arguments);
        return says(offer, "ready") && WaylandBed::current().press("ctrl+c") && says(offer, "offered") ? offer
                                                                                                       : nullptr;
    }

    // An ordinary program named `name` with a window: it copies `formats` when a key is pressed in it,
    // as a person makes it copy.
    QProcess *copyFromProgram(const QString &name, const QStringList &formats)
    {
        const QString program = m_programs.filePath(name);
        // A copy, not a link: Qt names a program after the file it runs from.
        if (!QFile::exists(program) && !QFile::copy(QT_OFFER, program))
            return nullptr;
        QProcess *offer = start(program, formats);
        const auto says = [&](const QByteArray &line) {
            return QTest::qWaitFor([&] { return offer->canReadLine(); }, 5000) && offer->readLine().trimmed() == line;
        };
        return offer && says("ready") && WaylandBed::current().press("ctrl+c") && says("offered") ? offer : nullptr;
    }

    // The newest item: content, type, has image, app name, bundle id.
    QVariantList newest()
    {
        const auto rows = m_quillbox.rows("SELECT content, type, imageData IS NOT NULL, sourceAppName, "
                                          "sourceAppBundleId FROM ClipboardItem ORDER BY createdAt DESC LIMIT 1");
        return rows.isEmpty() ? QVariantList() : rows.first();
    }
    bool waitForNewest(const QString &content) { return m_quillbox.waitForNewest(content); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_quillbox.start());
        if (WaylandBed::current().name() == "sway") {
            // sway binds keys itself: the program says how, once.
            QVERIFY(QTest::qWaitFor(
                [&] { return m_quillbox.output().contains("bindsym --to-code Mod4+Shift+v exec "); }, 3000));
            QVERIFY(m_quillbox.output().contains("for_window [app_id=\"io.quillbox.Quillbox\""));
        }

        // The application in front while copying: sway focuses the newest window.
        // The panel shown at launch comes first, or it would take the focus from the target.
        QVERIFY(WaylandBed::current().waitForFocus("io.quillbox.Quillbox"));
        m_window.setTitle("Capture target");
        m_window.resize(200, 100);
        m_window.show();
        QVERIFY2(WaylandBed::current().waitForFocus("test_wayland_capture"),
            qPrintable(WaylandBed::current().focusedAppId()));
    }

    void capturesEachKindWithItsFields()
    {
        QVERIFY(wlCopy("hello from wl-copy"));
        QVERIFY(waitForNewest("hello from wl-copy"));
        auto item = newest();
        QCOMPARE(item.at(1).toString(), QStringLiteral("text"));
        QVERIFY(!item.at(2).toBool());
        // The program that copied is known: from wlroots' foreign-toplevel list, or from KWin's own
        // through Quillbox's script.
        QCOMPARE(item.at(4).toString(), QStringLiteral("test_wayland_capture"));

        QVERIFY(wlCopy("file:///tmp/Quarterly%20Report.pdf\r\n", {"--type", "text/uri-list"}));
        QVERIFY(waitForNewest("file:///tmp/Quarterly%20Report.pdf"));
        QCOMPARE(newest().at(1).toString(), QStringLiteral("file"));

        QVERIFY(wlCopy(solidPng(40, 30, Qt::blue), {"--type", "image/png"}));
        QVERIFY(m_quillbox.waitFor(
            "SELECT type FROM ClipboardItem ORDER BY createdAt DESC LIMIT 1",
            [](const QVariant &type) { return type.toString() == "image"; }, 5000));
        QVERIFY(newest().at(2).toBool());
    }

    void skipsAPasswordManagersSecret()
    {
        // Password tools mark their copies with any value, or none.
        for (const QString value : {"secret", "1", ""}) {
            QVERIFY(wlOffer({"text/plain;charset=utf-8", "hunter2", "x-kde-passwordManagerHint", value}));
            QVERIFY(wlCopy("after the secret " + value.toUtf8()));
            QVERIFY(waitForNewest("after the secret " + value));
        }
        QCOMPARE(m_quillbox.query("SELECT count(*) FROM ClipboardItem WHERE content LIKE '%hunter2%'").toInt(), 0);
        QVERIFY(!m_quillbox.output().contains("hunter2") && !m_quillbox.errorOutput().contains("hunter2"));
    }

    // The desktop does not say who copied: the program in front when the copy is made stands for it.
    // A password manager's (by default never recorded) is skipped; another program's right after is kept.
    void skipsAProgramNeverRecorded()
    {
        for (int round = 0; round < 3; ++round) {
            const QByteArray secret = "hunter6 from keepassxc " + QByteArray::number(round);
            QVERIFY(copyFromProgram("keepassxc", {"text/plain;charset=utf-8", secret}));
            const QByteArray after = "copied in the editor after keepassxc " + QByteArray::number(round);
            QVERIFY(copyFromProgram("editor", {"text/plain;charset=utf-8", after}));
            QVERIFY(waitForNewest(after));
            QCOMPARE(newest().at(4).toString(), QStringLiteral("editor"));
        }
        QCOMPARE(m_quillbox.query("SELECT count(*) FROM ClipboardItem WHERE content LIKE '%hunter6%'").toInt(), 0);
        QVERIFY(!m_quillbox.output().contains("hunter6") && !m_quillbox.errorOutput().contains("hunter6"));
    }

    void aStalledSourceDoesNotStopCapture()
    {
        QProcess *stalled = wlOffer({"text/plain;charset=utf-8", "never sent"}, true);
        QVERIFY(stalled);
        QVERIFY(wlCopy("after the stalled source"));
        QVERIFY(waitForNewest("after the stalled source"));
        ::kill(pid_t(stalled->processId()), SIGCONT);
    }

    void keepsTheClipboardWhenItsProgramExits()
    {
        QProcess *source = wlOffer({"text/plain;charset=utf-8", "kept after exit"});
        QVERIFY(source);
        QVERIFY2(waitForNewest("kept after exit"), qPrintable(m_quillbox.output()));
        source->terminate();
        QVERIFY(source->waitForFinished(3000));
        QTRY_COMPARE_WITH_TIMEOUT(
            [] {
                QProcess paste;
                paste.start("wl-paste", {"--no-newline"});
                paste.waitForFinished(3000);
                return paste.readAllStandardOutput();
            }(),
            QByteArray("kept after exit"), 5000);
    }

    void automaticPasteNeedsNoProgramInstalled()
    {
        // Quillbox types through its own virtual keyboard, or KWin's fake-input, which the bed grants it
        // (KWin 6 to any program, KWin 5.27 to its own user, whom Quillbox runs as there): no program
        // on PATH is needed for it.
        QCOMPARE(m_quillbox.terminate(), 0);
        QuillboxProcess withoutPrograms;
        QProcessEnvironment env;
        env.insert("PATH", "/nonexistent");
        QVERIFY(withoutPrograms.start("[Quillbox] Seeded 10 default templates", env));
        const auto warned = [&] { return withoutPrograms.output().contains("Keystroke simulation not available"); };
        QVERIFY2(!QTest::qWaitFor(warned, 1000), qPrintable(withoutPrograms.output()));
        QCOMPARE(withoutPrograms.terminate(), 0);
    }

    void cleanupTestCase()
    {
        for (auto &source : m_sources) {
            ::kill(pid_t(source->processId()), SIGCONT);
            source->kill();
            source->waitForFinished(1000);
        }
    }
};

QTEST_MAIN(TestWaylandCapture)
#include "test_wayland_capture.moc"
