// KWinWorkspace against a KWin scripting service of the test's own on a private session bus, which also
// plays the script's part: what a KWin that refuses the script, goes away or comes back leaves behind,
// and the calls the real KWin cannot be made to show (test_kwin_session runs the real one).

#include "BusServiceThread.h"
#include "platform/wayland/KWinWorkspace.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <optional>

/// org.kde.kwin.Scripting as far as Quillbox uses it.
class FakeKWinScripting : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Scripting")
public:
    int loadAnswer = 0;
    QStringList loaded;
    QString text;
    int starts = 0;

public slots:
    int loadScript(const QString &path, const QString &pluginName)
    {
        if (loadAnswer < 0 || loaded.contains(pluginName))
            return -1;
        QFile file(path);
        text = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        loaded.append(pluginName);
        return 0;
    }
    bool unloadScript(const QString &pluginName) { return loaded.removeAll(pluginName) > 0; }
    void start() { ++starts; }
};

class TestKWinWorkspace : public QObject {
    Q_OBJECT

    BusServiceThread m_thread;
    FakeKWinScripting *m_kwin = nullptr;

    static QDBusConnection kwinBus() { return QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-kwin"); }

    // A call of the script's, from KWin's connection, or from another program's.
    QDBusPendingCall callFromScript(const QString &method, const QStringList &arguments = {}, bool fromKWin = true)
    {
        return *m_thread.run([&] {
            QDBusMessage call = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(),
                "/io/quillbox/KWinWorkspace", "io.quillbox.KWinWorkspace", method);
            for (const QString &argument : arguments)
                call << argument;
            QDBusConnection caller = fromKWin ? kwinBus()
                                              : QDBusConnection::connectToBus(QDBusConnection::SessionBus, "impostor");
            return std::optional(caller.asyncCall(call));
        });
    }
    bool claimName(bool claim)
    {
        return m_thread.run([claim] {
            return claim ? kwinBus().registerService("org.kde.KWin") : kwinBus().unregisterService("org.kde.KWin");
        });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(!KWinWorkspace::isServiceAvailable());
        QVERIFY(m_thread.run([this] {
            m_kwin = new FakeKWinScripting;
            return kwinBus().registerObject("/Scripting", m_kwin, QDBusConnection::ExportAllSlots);
        }));
        QVERIFY(claimName(true));
        QVERIFY(KWinWorkspace::isServiceAvailable());
    }

    void reportsNameTheFrontAndActivationsGoToTheReportedWindow()
    {
        {
            KWinWorkspace workspace;
            QTRY_COMPARE(m_thread.run([this] { return m_kwin->starts; }), 1);
            QCOMPARE(m_thread.run([this] { return m_kwin->loaded; }), QStringList{"io.quillbox.Quillbox.workspace"});
            QVERIFY(m_thread.run([this] { return m_kwin->text; }).contains(QDBusConnection::sessionBus().baseService()));
            QVERIFY(!workspace.frontmostApplication());

            QSignalSpy reported(&workspace, &KWinWorkspace::activationReported);
            callFromScript("windowActivated", {"{a}", "texteditor", "", "4242"});
            callFromScript("windowActivated", {"{b}", "", "org.example.Viewer", "nonsense"});
            QTRY_COMPARE(reported.size(), 2);
            const auto viewer = workspace.frontmostApplication();
            QVERIFY(viewer);
            QCOMPARE(viewer->windowClass, "org.example.Viewer");
            QCOMPARE(viewer->processIdentifier, -1);
            callFromScript("windowActivated", {"{a}", "texteditor", "", "4242"});
            QTRY_COMPARE(reported.size(), 3);
            const auto editor = workspace.frontmostApplication();
            QVERIFY(editor);
            QCOMPARE(editor->localizedName, "texteditor");
            QCOMPARE(editor->bundleIdentifier, "texteditor");
            QCOMPARE(editor->processIdentifier, 4242);
            // One window keeps its number whenever it is reported.
            QVERIFY(editor->windowId != viewer->windowId);

            // The script's open call carries the window asked for, by KWin's own id.
            QDBusPendingReply<QString> open = callFromScript("nextActivation");
            QTest::qWait(100);
            QVERIFY(!open.isFinished());
            workspace.activate(*viewer);
            QTRY_VERIFY(open.isFinished());
            QCOMPARE(open.value(), "{b}");
            // Asked for while no call is open: the next call has it at once.
            workspace.activate(*editor);
            QDBusPendingReply<QString> next = callFromScript("nextActivation");
            QTRY_VERIFY(next.isFinished());
            QCOMPARE(next.value(), "{a}");
            // A window the script never reported is not asked for.
            RunningApplication unknown = *editor;
            unknown.windowId += 100;
            workspace.activate(unknown);
            QDBusPendingReply<QString> idle = callFromScript("nextActivation");
            QTest::qWait(200);
            QVERIFY(!idle.isFinished());

            // Another program cannot name the window a paste goes to, nor learn which one it is.
            QDBusPendingReply<> spoofed = callFromScript("windowActivated", {"{c}", "spoofer", "", "1"}, false);
            QDBusPendingReply<QString> spied = callFromScript("nextActivation", {}, false);
            QTRY_VERIFY(spoofed.isFinished() && spied.isFinished());
            QCOMPARE(spoofed.error().type(), QDBusError::AccessDenied);
            QCOMPARE(spied.error().type(), QDBusError::AccessDenied);
            QCOMPARE(workspace.frontmostApplication()->windowClass, "texteditor");

            // No active window at all.
            callFromScript("windowActivated", {"", "", "", ""});
            QTRY_COMPARE(reported.size(), 4);
            QVERIFY(!workspace.frontmostApplication());
        }
        // Quillbox's script does not outlive it.
        QCOMPARE(m_thread.run([this] { return m_kwin->loaded; }), QStringList());
    }

    void aKWinThatLeavesIsForgottenAndOneThatComesBackIsAskedAgain()
    {
        m_thread.run([this] { m_kwin->starts = 0; });
        KWinWorkspace workspace;
        QTRY_COMPARE(m_thread.run([this] { return m_kwin->starts; }), 1);
        QSignalSpy reported(&workspace, &KWinWorkspace::activationReported);
        callFromScript("windowActivated", {"{a}", "texteditor", "", "1"});
        QTRY_COMPARE(reported.size(), 1);
        const RunningApplication editor = *workspace.frontmostApplication();

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("KWin left the session bus"));
        QVERIFY(claimName(false));
        QTRY_VERIFY(!workspace.frontmostApplication());
        // A KWin that restarts runs no scripts of the one before.
        m_thread.run([this] { m_kwin->loaded.clear(); });
        QVERIFY(claimName(true));
        QTRY_COMPARE(m_thread.run([this] { return m_kwin->starts; }), 2);
        QCOMPARE(m_thread.run([this] { return m_kwin->loaded; }), QStringList{"io.quillbox.Quillbox.workspace"});
        // The window of the KWin before is not asked for.
        workspace.activate(editor);
        QDBusPendingReply<QString> open = callFromScript("nextActivation");
        QTest::qWait(200);
        QVERIFY(!open.isFinished());
    }

    void aRefusedScriptLeavesNoPreviousWindow()
    {
        m_thread.run([this] {
            m_kwin->loadAnswer = -1;
            m_kwin->starts = 0;
        });
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("KWin did not load Quillbox's window script"));
        KWinWorkspace workspace;
        QTest::qWait(300);
        QCOMPARE(m_thread.run([this] { return m_kwin->starts; }), 0);
        QVERIFY(!workspace.frontmostApplication());
    }

    void cleanupTestCase()
    {
        m_thread.run([this] { delete m_kwin; });
    }
};

QTEST_GUILESS_MAIN(TestKWinWorkspace)
#include "test_kwin_workspace.moc"
