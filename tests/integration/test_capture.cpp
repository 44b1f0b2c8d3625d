#include "ClipboardOwner.h"
#include "QuillboxProcess.h"
#include "TestImages.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <csignal>
#include <sys/stat.h>

namespace {

/// A desktop's notification server, as far as Quillbox uses it, on the test's private session bus.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList bodies;
    QStringList summaries;
    QVariantMap lastHints;

    bool registerOnBus()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        return bus.registerService("org.freedesktop.Notifications")
            && bus.registerObject("/org/freedesktop/Notifications", this, QDBusConnection::ExportAllSlots);
    }
    ~NotificationServer() override
    {
        QDBusConnection::sessionBus().unregisterObject("/org/freedesktop/Notifications");
        QDBusConnection::sessionBus().unregisterService("org.freedesktop.Notifications");
    }

public slots:
    QStringList GetCapabilities() { return {"body", "body-markup"}; }
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
        const QStringList &, const QVariantMap &hints, int)
    {
        summaries.append(summary);
        bodies.append(body);
        lastHints = hints;
        return uint(bodies.size());
    }
};

QString quoted(const QString &text)
{
    return "'" + QString(text).replace("'", "''") + "'";
}

} // namespace

/// The real program on a real X server: copies made by other programs land in the SQLite file.
// A start that holds the program's name when it is asked to toggle, and leaves without answering.
class LeavingStart : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.quillbox.Quillbox")

public:
    ~LeavingStart() override { QDBusConnection::disconnectFromBus(connectionName); }
    bool claim()
    {
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
        return bus.registerObject("/io/quillbox/Quillbox", this, QDBusConnection::ExportScriptableSlots)
            && bus.registerService("io.quillbox.Quillbox");
    }
    bool wasAsked = false;

public slots:
    Q_SCRIPTABLE void Toggle()
    {
        wasAsked = true;
        setDelayedReply(true);
        QTimer::singleShot(0, this, [] { QDBusConnection::disconnectFromBus(connectionName); });
    }

private:
    static inline const QString connectionName = QStringLiteral("leaving-start");
};

class TestCapture : public QObject {
    Q_OBJECT

    QuillboxProcess m_quillbox;
    QWindow m_window;
    QTemporaryDir m_files;

    // The newest item: content, type, has image, app name, bundle id, category id.
    QVariantList newest()
    {
        const auto rows = m_quillbox.rows("SELECT content, type, imageData IS NOT NULL, sourceAppName, "
                                          "sourceAppBundleId, categoryId FROM ClipboardItem "
                                          "ORDER BY createdAt DESC LIMIT 1");
        return rows.isEmpty() ? QVariantList() : rows.first();
    }

    bool waitForNewest(const QString &content) { return m_quillbox.waitForNewest(content, 1500); }

    QString categoryId(const QString &name)
    {
        return m_quillbox.query("SELECT id FROM ClipCategory WHERE name = " + quoted(name)).toString();
    }

private slots:
    void initTestCase()
    {
        // Under a umask of 0 nothing Quillbox makes may be open to others.
        const mode_t umaskBefore = ::umask(0);
        const bool started = m_quillbox.start();
        ::umask(umaskBefore);
        QVERIFY(started);
        const QString output = m_quillbox.output();
        QVERIFY(output.contains("[Quillbox] Seeded 5 default categories\n"));
        QVERIFY(output.contains("[Quillbox] Seeded 10 default templates\n"));
        QCOMPARE(m_quillbox.query("SELECT count(*) FROM ClipCategory").toInt(), 5);
        QCOMPARE(m_quillbox.query("SELECT count(*) FROM PasteTemplate").toInt(), 10);
        QCOMPARE(QFile::permissions(m_quillbox.storePath()) & 0x0077, QFileDevice::Permissions());
        QCOMPARE(QFile::permissions(m_quillbox.storePath() + ".lock") & 0x0077, QFileDevice::Permissions());
        QCOMPARE(QFile::permissions(QFileInfo(m_quillbox.storePath()).path()) & 0x0077, QFileDevice::Permissions());

        // The application in front while copying.
        m_window.setTitle("Capture target");
        m_window.resize(200, 100);
        m_window.show();
        m_window.requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(&m_window));
    }

    void capturesEachKindWithItsFields()
    {
        auto owner = ClipboardOwner::xclip("hello from xclip");
        QVERIFY(waitForNewest("hello from xclip"));
        auto item = newest();
        QCOMPARE(item.at(1).toString(), QStringLiteral("text"));
        QVERIFY(!item.at(2).toBool());
        QCOMPARE(item.at(4).toString().toLower(), QStringLiteral("test_capture"));
        QCOMPARE(item.at(5).toString(), categoryId("Text"));

        QStringEncoder utf16(QStringEncoder::Utf16LE);
        owner = ClipboardOwner::xclip(utf16("https://example.com/page?q=1\nExample page"), "text/x-moz-url");
        QVERIFY(waitForNewest("https://example.com/page?q=1"));
        QCOMPARE(newest().at(1).toString(), QStringLiteral("url"));
        QCOMPARE(newest().at(5).toString(), categoryId("URL"));

        const QString document = m_files.filePath("Quarterly Report.pdf");
        QFile(document).open(QIODevice::WriteOnly);
        const QString documentUrl = QUrl::fromLocalFile(document).toString(QUrl::FullyEncoded);
        owner = ClipboardOwner::xclip(documentUrl.toUtf8() + "\r\n", "text/uri-list");
        QVERIFY(waitForNewest(documentUrl));
        QCOMPARE(newest().at(1).toString(), QStringLiteral("file"));
        QCOMPARE(newest().at(5).toString(), categoryId("File"));

        owner = ClipboardOwner::xclip(solidPng(640, 480), "image/png");
        QVERIFY(m_quillbox.waitFor("SELECT type FROM ClipboardItem ORDER BY createdAt DESC LIMIT 1",
            [](const QVariant &type) { return type.toString() == "image"; }));
        item = newest();
        QVERIFY2(QRegularExpression("^Image \\(\\d+ KB\\)$").match(item.at(0).toString()).hasMatch(),
            qPrintable(item.at(0).toString()));
        const QByteArray stored
            = m_quillbox.query("SELECT imageData FROM ClipboardItem ORDER BY createdAt DESC LIMIT 1").toByteArray();
        QCOMPARE(QImage::fromData(stored).size(), QSize(640, 480));
        QCOMPARE(item.at(5).toString(), categoryId("Image"));

        const QString picture = m_files.filePath("screenshot.png");
        const QByteArray pictureBytes = solidPng(32, 16);
        QFile pictureFile(picture);
        QVERIFY(pictureFile.open(QIODevice::WriteOnly));
        pictureFile.write(pictureBytes);
        pictureFile.close();
        owner = ClipboardOwner::xclip(QUrl::fromLocalFile(picture).toEncoded() + "\r\n", "text/uri-list");
        QVERIFY(waitForNewest(picture));
        QCOMPARE(newest().at(1).toString(), QStringLiteral("image"));
        QCOMPARE(
            m_quillbox.query("SELECT imageData FROM ClipboardItem WHERE content = " + quoted(picture)).toByteArray(),
            pictureBytes);
    }

    void repeatedCopyMovesToTheTop()
    {
        auto owner = ClipboardOwner::xclip("alpha");
        QVERIFY(waitForNewest("alpha"));
        const QString firstId = m_quillbox.query("SELECT id FROM ClipboardItem WHERE content = 'alpha'").toString();
        owner = ClipboardOwner::xclip("beta");
        QVERIFY(waitForNewest("beta"));
        owner = ClipboardOwner::xclip("alpha");
        QVERIFY(waitForNewest("alpha"));
        QCOMPARE(m_quillbox.query("SELECT count(*) FROM ClipboardItem WHERE content = 'alpha'").toInt(), 1);
        // A fresh record, under the id it had.
        QCOMPARE(m_quillbox.query("SELECT id FROM ClipboardItem WHERE content = 'alpha'").toString(), firstId);
    }

    void ignoresWhitespaceAndSecrets()
    {
        const int before = m_quillbox.query("SELECT count(*) FROM ClipboardItem").toInt();
        auto owner = ClipboardOwner::xclip("  \n\t ");
        QTest::qWait(1200);
        // Password tools mark their copies with any value, or none.
        for (const QString value : {"secret", "1", ""}) {
            owner = ClipboardOwner::helper(
                {"text/plain=hunter2", "UTF8_STRING=hunter2", "x-kde-passwordManagerHint=" + value});
            QTest::qWait(1200);
            owner = ClipboardOwner::xclip("after the secret " + value.toUtf8());
            QVERIFY(waitForNewest("after the secret " + value));
        }
        QCOMPARE(m_quillbox.query("SELECT count(*) FROM ClipboardItem").toInt(), before + 3);
        QVERIFY(!m_quillbox.output().contains("hunter2") && !m_quillbox.errorOutput().contains("hunter2"));
        QCOMPARE(m_quillbox.query("SELECT count(*) FROM ClipboardItem WHERE content LIKE '%hunter2%'").toInt(), 0);
    }

    // A password manager's copies (KeePassXC is never recorded by default) are skipped: matched by the
    // program that owns the clipboard, through its hidden owner window's client, not by the window in
    // front. Another program's copy right after each is kept.
    void skipsAProgramNeverRecorded()
    {
        QTemporaryDir programs;
        const QString keepassxc = programs.filePath("keepassxc");
        // A copy, not a link: the program is named keepassxc as an installed one is.
        QVERIFY(QFile::copy(QT_OFFER, keepassxc));
        const auto says = [](QProcess &process, const QByteArray &line) {
            return QTest::qWaitFor([&] { return process.canReadLine(); }, 10000)
                && process.readLine().trimmed() == line;
        };
        for (int round = 0; round < 3; ++round) {
            const QByteArray n = QByteArray::number(round);
            // Qt: Ctrl+C pressed in its window, as a person copies.
            QProcess qt;
            qt.start(
                keepassxc, {"text/plain;charset=utf-8", "hunter7 from Qt " + n, "UTF8_STRING", "hunter7 from Qt " + n});
            QVERIFY(says(qt, "ready"));
            QuillboxProcess::pressHotkey("ctrl+c");
            QVERIFY(says(qt, "offered"));
            QTest::qWait(700); // long enough to be recorded, were it recorded
            auto owner = ClipboardOwner::xclip("after the Qt keepassxc " + n);
            QVERIFY(waitForNewest("after the Qt keepassxc " + n));
            qt.kill();
            qt.waitForFinished(5000);

            // GTK: copies by itself while this test's window is in front.
            QProcess gtk;
            gtk.start("/usr/bin/python3",
                {QString(QUILLBOX_SOURCE_DIR) + "/tests/support/gtk-copier.py", "hunter7 from GTK " + n, "keepassxc"});
            QVERIFY(says(gtk, "copied"));
            QTest::qWait(700);
            owner = ClipboardOwner::xclip("after the GTK keepassxc " + n);
            QVERIFY(waitForNewest("after the GTK keepassxc " + n));
            gtk.write("quit\n");
            QVERIFY(gtk.waitForFinished(5000));
        }
        QCOMPARE(m_quillbox.query("SELECT count(*) FROM ClipboardItem WHERE content LIKE '%hunter7%'").toInt(), 0);
        QVERIFY(!m_quillbox.output().contains("hunter7") && !m_quillbox.errorOutput().contains("hunter7"));
    }

    void aStalledOwnerDoesNotStopCapture()
    {
        auto stalled = ClipboardOwner::helper({"text/plain=never answered"}, true);
        auto owner = ClipboardOwner::xclip("copied after the stall");
        QVERIFY(waitForNewest("copied after the stall"));
        QCOMPARE(m_quillbox.query("SELECT count(*) FROM ClipboardItem WHERE content = 'never answered'").toInt(), 0);
    }

    void theClipboardOutlivesTheProgramThatCopied()
    {
        const auto count = [&] { return m_quillbox.query("SELECT count(*) FROM ClipboardItem").toInt(); };
        const auto clipboardText = [] {
            QProcess xclip;
            xclip.start("xclip", {"-o", "-selection", "clipboard"});
            return xclip.waitForFinished(5000) ? QString::fromUtf8(xclip.readAllStandardOutput()) : QString();
        };
        // xclip just exits: the newest item takes its place, and is not recorded a second time.
        auto owner = ClipboardOwner::xclip("kept after xclip exits");
        QVERIFY(waitForNewest("kept after xclip exits"));
        const int before = count();
        owner.reset();
        QTRY_COMPARE_WITH_TIMEOUT(clipboardText(), QStringLiteral("kept after xclip exits"), 3000);
        QTest::qWait(300);
        QCOMPARE(count(), before);

        // A GTK program hands its clipboard to the manager as it exits, and is answered at once.
        QProcess gtk;
        // Debian's interpreter, which python3-gi belongs to, whatever else PATH holds.
        gtk.start("/usr/bin/python3",
            {QString(QUILLBOX_SOURCE_DIR) + "/tests/support/gtk-copier.py", "kept after GTK exits"});
        QVERIFY(QTest::qWaitFor([&] { return gtk.canReadLine(); }, 10000));
        QCOMPARE(gtk.readLine(), QByteArray("copied\n"));
        QVERIFY(waitForNewest("kept after GTK exits"));
        gtk.write("quit\n");
        QVERIFY(gtk.waitForFinished(5000));
        QVERIFY2(gtk.readAllStandardOutput().contains("stored"), gtk.readAllStandardError().constData());
        QTRY_COMPARE_WITH_TIMEOUT(clipboardText(), QStringLiteral("kept after GTK exits"), 3000);
        QCOMPARE(count(), before + 1);
    }

    // Paused from the command line, as a person scripts it: nothing copied meanwhile is read or
    // recorded, not after resuming either; a timed pause outlives a restart.
    void nothingIsRecordedWhilePaused()
    {
        const auto count = [&](const QString &marker) {
            return m_quillbox
                .query(QStringLiteral("SELECT count(*) FROM ClipboardItem WHERE content LIKE '%%1%'").arg(marker))
                .toInt();
        };
        QCOMPARE(m_quillbox.startSecondInstance({"pause"}), 0);
        auto owner = ClipboardOwner::xclip("hunter2 copied while paused");
        QTest::qWait(1200);
        owner = ClipboardOwner::xclip("hunter3 copied while paused");
        QTest::qWait(1200);
        QCOMPARE(m_quillbox.startSecondInstance({"resume"}), 0);
        QTest::qWait(500);
        owner = ClipboardOwner::xclip("copied after resuming");
        QVERIFY(waitForNewest("copied after resuming"));
        QCOMPARE(count("while paused"), 0);
        QVERIFY(!m_quillbox.output().contains("while paused") && !m_quillbox.errorOutput().contains("while paused"));

        QCOMPARE(m_quillbox.startSecondInstance({"pause", "--for", "1h"}), 0);
        QTRY_VERIFY(
            QSettings(m_quillbox.preferencesPath(), QSettings::IniFormat).value("historyPausedUntil").isValid());
        QCOMPARE(m_quillbox.terminate(), 0);
        QVERIFY(m_quillbox.start(QStringLiteral("[HotkeyService] Registered hotkey id=1")));
        QVERIFY(m_quillbox.errorOutput().contains("history paused until"));
        owner = ClipboardOwner::xclip("hunter4 copied while paused");
        QTest::qWait(1200);
        QCOMPARE(count("while paused"), 0);
        QCOMPARE(m_quillbox.startSecondInstance({"resume"}), 0);
        owner = ClipboardOwner::xclip("copied after the restart");
        QVERIFY(waitForNewest("copied after the restart"));
    }

    void aSecondStartReportsAHungInstance()
    {
        const qint64 pid = m_quillbox.process().processId();
        QCOMPARE(::kill(pid, SIGSTOP), 0);
        QProcess second;
        second.setProcessEnvironment(m_quillbox.process().processEnvironment());
        second.start(qEnvironmentVariable("QUILLBOX_BINARY"), {});
        const bool finished = second.waitForFinished(10000);
        ::kill(pid, SIGCONT);
        QVERIFY(finished);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QVERIFY(second.exitCode() != 0);
        const QString error = QString::fromUtf8(second.readAllStandardError());
        QVERIFY2(error.contains("does not answer"), qPrintable(error));
    }

    void stopsCleanlyOnSigterm() { QCOMPARE(m_quillbox.terminate(), 0); }

    void copiesMadeWhileTheStoreIsLockedAreWrittenOnceItIsFree()
    {
        QuillboxProcess quillbox;
        QVERIFY(quillbox.start());
        const QString count = "SELECT count(*) FROM ClipboardItem WHERE content LIKE 'while locked %'";
        {
            // Another program holds the store's write lock while three copies are made.
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other-program");
            other.setDatabaseName(quillbox.storePath());
            QVERIFY(other.open());
            QSqlQuery lock(other);
            QVERIFY(lock.exec("BEGIN IMMEDIATE"));
            std::unique_ptr<ClipboardOwner> owner;
            for (int copy = 1; copy <= 3; ++copy) {
                owner = ClipboardOwner::xclip(QString("while locked %1").arg(copy).toUtf8());
                QTest::qWait(300);
            }
            QByteArray errors;
            QTRY_VERIFY_WITH_TIMEOUT(
                (errors += quillbox.process().readAllStandardError()).contains("save failed"), 5000);
            QTest::qWait(1500);
            QVERIFY(lock.exec(count) && lock.next());
            QCOMPARE(lock.value(0).toInt(), 0);
            QVERIFY(lock.exec("ROLLBACK"));
            other.close();
        }
        QSqlDatabase::removeDatabase("other-program");
        // Retried on its own, with no further copy to trigger a save.
        QVERIFY(quillbox.waitFor(
            count, [](const QVariant &value) { return value.toInt() == 3; }, 10000));

        // What was written stays written when the program is killed.
        ::kill(quillbox.process().processId(), SIGKILL);
        QVERIFY(quillbox.process().waitForFinished(5000));
        {
            QSqlDatabase after = QSqlDatabase::addDatabase("QSQLITE", "after-kill");
            after.setDatabaseName(quillbox.storePath());
            QVERIFY(after.open());
            QSqlQuery check(after);
            QVERIFY(check.exec(count) && check.next());
            QCOMPARE(check.value(0).toInt(), 3);
            QVERIFY(check.exec("PRAGMA integrity_check") && check.next());
            QCOMPARE(check.value(0).toString(), "ok");
        }
        QSqlDatabase::removeDatabase("after-kill");
    }

    // Two starts at once, as a launcher clicked twice: one took the store, the other the name, which
    // it gives up without answering once it finds the store taken. The start with the store serves.
    void aStartWithTheStoreServesWhenTheNameIsLeftWithoutAnAnswer()
    {
        LeavingStart other;
        QVERIFY(other.claim());
        QuillboxProcess quillbox;
        // Nothing to wait for in the output: the panel that launch shows is waited for, which lets
        // the other start take its call.
        QVERIFY2(quillbox.start(QString()), qPrintable(quillbox.errorOutput()));
        QVERIFY(other.wasAsked);
        QTRY_VERIFY(quillbox.output().contains("Seeded 10 default templates"));
        QCOMPARE(quillbox.terminate(), 0);
    }

    void anUnusableStoreIsShownToThePerson()
    {
        NotificationServer server;
        QVERIFY2(server.registerOnBus(), "no private session bus for the test");
        QuillboxProcess quillbox;
        // A folder where the file should be; its path holds a character that is markup to the server.
        QTemporaryDir dir;
        const QString storePath = dir.filePath("Fish & Chips/Quillbox/Quillbox.sqlite");
        QVERIFY(QDir().mkpath(storePath));
        QProcessEnvironment env;
        env.insert("XDG_DATA_HOME", dir.filePath("Fish & Chips"));
        QVERIFY(quillbox.start("Failed to create ModelContainer: ", env));
        QTRY_COMPARE_WITH_TIMEOUT(server.bodies.size(), 1, 5000);
        QCOMPARE(server.summaries, QStringList("Quillbox cannot open its history"));
        QCOMPARE(server.bodies.first().section(u'\n', 0, 1),
            QString(storePath).replace("&", "&amp;") + "\nIt is a folder, not a file.");
        QCOMPARE(server.lastHints.value("urgency").toInt(), 2);
        QVERIFY(!quillbox.output().contains("Seeded"));

        // The panel showed it at launch (start() waits for it and closes it); the program keeps
        // running, capturing nothing, and the folder is left as it was.
        QCOMPARE(quillbox.process().state(), QProcess::Running);
        QVERIFY(QFileInfo(storePath).isDir());
        QCOMPARE(server.bodies.size(), 1);
        QCOMPARE(quillbox.terminate(), 0);
    }

    void followsQtsDisplayOption()
    {
        QuillboxProcess quillbox;
        quillbox.arguments = {"-display", qEnvironmentVariable("DISPLAY")};
        QProcessEnvironment env;
        env.insert("DISPLAY", "");
        QVERIFY(quillbox.start("[Quillbox] Seeded 10 default templates", env));
        auto owner = ClipboardOwner::xclip("seen through -display");
        QVERIFY(quillbox.waitFor("SELECT count(*) FROM ClipboardItem WHERE content = 'seen through -display'",
            [](const QVariant &count) { return count.toInt() == 1; }));
        QCOMPARE(quillbox.terminate(), 0);
    }

    void saysItNeedsAnX11Session_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("withDisplay");
        QTest::newRow("no DISPLAY") << QStringList() << false;
        QTest::newRow("another platform") << QStringList{"-platform", "offscreen"} << true;
        QTest::newRow("another platform, two dashes") << QStringList{"--platform", "offscreen"} << true;
        QTest::newRow("a display that cannot be opened") << QStringList{"-display", ":12345"} << true;
    }
    void saysItNeedsAnX11Session()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, withDisplay);
        QProcess quillbox;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!withDisplay)
            env.remove("DISPLAY");
        quillbox.setProcessEnvironment(env);
        quillbox.start(qEnvironmentVariable("QUILLBOX_BINARY"), arguments);
        QVERIFY(quillbox.waitForFinished(5000));
        QCOMPARE(quillbox.exitStatus(), QProcess::NormalExit);
        QVERIFY(quillbox.exitCode() != 0);
        const QStringList lines = QString::fromUtf8(quillbox.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().contains("X11 session"), qPrintable(lines.first()));
    }
};

QTEST_MAIN(TestCapture)
#include "test_capture.moc"
