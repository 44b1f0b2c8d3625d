// Quillbox under KWin as a person meets it in Plasma: the panel `quillbox --toggle` shows is centred and
// focused, Return pastes through fake-input into a Qt and a GTK program twenty times in a row, the
// panel hides when another window takes the focus, and the global shortcuts are registered with the
// kglobalaccel that runs inside KWin, so pressing them opens the panel and runs the layout fix.

#include "QuillboxProcess.h"
#include "WaylandBed.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

namespace {

const QString panelId = QStringLiteral("io.quillbox.Quillbox");
const QString gtkTitle = QStringLiteral("GTK editor");
constexpr int rounds = 20;

bool isScriptLoaded()
{
    const QDBusReply<bool> loaded = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "isScriptLoaded")
        << QStringLiteral("io.quillbox.Quillbox.workspace"));
    return loaded.isValid() && loaded.value();
}

} // namespace

class TestKWinSession : public QObject {
    Q_OBJECT

    QuillboxProcess m_quillbox;

    QString debugLog() const
    {
        QFile file(QFileInfo(m_quillbox.preferencesPath()).dir().filePath("../../quillbox_debug.log"));
        return QString::fromUtf8(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    }

    bool copy(const QString &text)
    {
        QProcess copy;
        copy.start("wl-copy", {text});
        return copy.waitForFinished(3000)
            && m_quillbox.waitFor(
                "SELECT content FROM ClipboardItem ORDER BY createdAt DESC LIMIT 1",
                [&](const QVariant &value) { return value.toString() == text; }, 5000);
    }

    // The panel over the window in front, then Return on its newest row, as a person types it.
    bool pasteNewest()
    {
        return m_quillbox.startSecondInstance({"--toggle"}) == 0 && WaylandBed::current().waitForFocus(panelId)
            && WaylandBed::current().press("Return");
    }

    // Twenty distinct texts pasted into the window of `appId`; `clear` empties its field, `text` reads it.
    void pasteTwenty(const QString &appId, const QString &program, const std::function<void()> &clear,
        const std::function<QString()> &text)
    {
        for (int round = 1; round <= rounds; ++round) {
            clear();
            QVERIFY(QTest::qWaitFor([&] { return text().isEmpty(); }, 3000));
            QVERIFY2(WaylandBed::current().waitForFocus(appId), qPrintable(QString("round %1").arg(round)));
            const QString sent = QString("%1 round %2").arg(program).arg(round);
            QVERIFY(copy(sent));
            QVERIFY2(pasteNewest(), qPrintable(QString("round %1: the panel did not take the keys").arg(round)));
            QVERIFY2(QTest::qWaitFor([&] { return text() == sent; }, 5000),
                qPrintable(QString("round %1: \"%2\" arrived, not \"%3\"\n%4").arg(round).arg(text(), sent, debugLog())));
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo(QStringLiteral("/usr/bin/python3")).isExecutable());
        QVERIFY(m_quillbox.start());
        QVERIFY(WaylandBed::current().waitForFocus(panelId));
        QCOMPARE(WaylandBed::current().window(panelId)->geometry, QRect(300, 80, 680, 640));
        QCOMPARE(m_quillbox.startSecondInstance({"--toggle"}), 0);
        QVERIFY(QTest::qWaitFor([] { return !WaylandBed::current().hasWindow(panelId); }, 5000));
        QVERIFY(QTest::qWaitFor(isScriptLoaded, 5000));
    }

    void returnPastesIntoAQtProgramTwentyTimes()
    {
        QLineEdit field;
        field.setWindowTitle("Qt editor");
        field.resize(300, 40);
        field.show();
        pasteTwenty(
            "test_kwin_session", "Qt", [&] { field.clear(); }, [&] { return field.text(); });
        // Each paste went to the window KWin reported before the panel, and it is in front again.
        QVERIFY(debugLog().contains("Target active: true"));
        QVERIFY(!debugLog().contains("No previous app to paste into"));
    }

    void returnPastesIntoAGtkProgramTwentyTimes()
    {
        QProcess editor;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("GDK_BACKEND", "wayland");
        editor.setProcessEnvironment(environment);
        editor.start("/usr/bin/python3", {qEnvironmentVariable("QUILLBOX_SOURCE_DIR") + "/tests/support/gtk-editor.py", gtkTitle});
        QVERIFY(QTest::qWaitFor([&] { return editor.canReadLine(); }, 10000));
        QCOMPARE(editor.readLine().trimmed(), QByteArray("ready"));
        const QString appId = WaylandBed::current().focusedAppId();
        QString text;
        pasteTwenty(
            appId, "GTK",
            [&] { editor.write("clear\n"); },
            [&] {
                while (editor.canReadLine())
                    text = QString::fromUtf8(editor.readLine()).chopped(1);
                return text;
            });
        editor.closeWriteChannel();
        if (!editor.waitForFinished(3000))
            editor.kill();
    }

    void thePanelHidesWhenAnotherWindowTakesTheFocus()
    {
        QLineEdit other;
        other.setWindowTitle("Another window");
        other.show();
        QVERIFY(WaylandBed::current().waitForFocus("test_kwin_session"));
        QCOMPARE(m_quillbox.startSecondInstance({"--toggle"}), 0);
        QVERIFY(WaylandBed::current().waitForFocus(panelId));
        QVERIFY(WaylandBed::current().focusWindow("Another window"));
        QVERIFY(QTest::qWaitFor([] { return !WaylandBed::current().hasWindow(panelId); }, 5000));
    }

    void theShortcutsAreKWinsOwn()
    {
        // As Plasma's shortcut settings list them: under Quillbox, with the keys Quillbox asked for.
        QDBusInterface kglobalaccel("org.kde.kglobalaccel", "/kglobalaccel", "org.kde.KGlobalAccel");
        const QList<QPair<QString, QKeyCombination>> expected = {
            {"hotkey-1", Qt::META | Qt::SHIFT | Qt::Key_V}, {"hotkey-2", Qt::META | Qt::SHIFT | Qt::Key_L}};
        for (const auto &[action, keys] : expected) {
            const QDBusReply<QList<int>> assigned
                = kglobalaccel.call("shortcut", QStringList{"io.quillbox.Quillbox", action, "", ""});
            QVERIFY2(assigned.isValid(), qPrintable(assigned.error().message()));
            QCOMPARE(assigned.value(), QList<int>{keys.toCombined()});
        }

        QLineEdit field("ghbdtn");
        field.setWindowTitle("Shortcut target");
        field.show();
        QVERIFY(WaylandBed::current().waitForFocus("test_kwin_session"));
        // Held as a person holds them; kglobalaccel inside KWin reports the press to Quillbox.
        QVERIFY(WaylandBed::current().press("super+shift+v"));
        QVERIFY2(WaylandBed::current().waitForFocus(panelId, 10000), qPrintable(m_quillbox.output()));
        QVERIFY(WaylandBed::current().press("Escape"));
        QVERIFY(QTest::qWaitFor([] { return !WaylandBed::current().hasWindow(panelId); }, 5000));
        QVERIFY(WaylandBed::current().waitForFocus("test_kwin_session"));
        QVERIFY(WaylandBed::current().press("super+shift+l"));
        QVERIFY2(QTest::qWaitFor([this] { return m_quillbox.output().contains("[LanguageFix] Triggered"); }, 5000),
            qPrintable(m_quillbox.output()));
    }

    void cleanupTestCase()
    {
        QCOMPARE(m_quillbox.terminate(), 0);
        // Nothing of Quillbox stays behind in KWin.
        QVERIFY(!isScriptLoaded());
    }
};

QTEST_MAIN(TestKWinSession)
#include "test_kwin_session.moc"
