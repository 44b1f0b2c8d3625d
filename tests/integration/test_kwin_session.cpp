// Quillbox under KWin as a person meets it in Plasma: the panel `quillbox --toggle` shows is centred and
// focused, it hides when another window takes the focus, and the global shortcuts are registered with
// the kglobalaccel that runs inside KWin, so pressing them opens the panel (twenty times in a row) and
// runs the layout fix.
// (Pasting through fake-input, twenty times in a row, is test_wayland_paste_repeat's kwin row.)

#include "PasteTarget.h"
#include "QuillboxProcess.h"
#include "WaylandBed.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QTest>

namespace {

const QString panelId = QStringLiteral("io.quillbox.Quillbox");

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
    // The other window, a GTK program of its own as a person's would be. (A Qt 6.4 window of the test's
    // own asks KWin again for the focus each time its focus object changes, stamped with the latest key
    // press: a request answered just after the shortcut's press took the focus from the panel.)
    PasteTarget m_other{PasteTarget::Program::GtkEditor};

private slots:
    void initTestCase()
    {
        QVERIFY(m_quillbox.start());
        QVERIFY(WaylandBed::current().waitForFocus(panelId));
        QCOMPARE(WaylandBed::current().window(panelId)->geometry, QRect(300, 80, 680, 640));
        QCOMPARE(m_quillbox.startSecondInstance({"--toggle"}), 0);
        QVERIFY(QTest::qWaitFor([] { return !WaylandBed::current().hasWindow(panelId); }, 5000));
        QVERIFY(QTest::qWaitFor(isScriptLoaded, 5000));
        QVERIFY(m_other.start());
    }

    void thePanelHidesWhenAnotherWindowTakesTheFocus()
    {
        QCOMPARE(m_quillbox.startSecondInstance({"--toggle"}), 0);
        QVERIFY(WaylandBed::current().waitForFocus(panelId));
        QVERIFY(WaylandBed::current().focusWindow(m_other.name()));
        QVERIFY(QTest::qWaitFor([] { return !WaylandBed::current().hasWindow(panelId); }, 5000));
    }

    // After the focus test: once another window has taken the focus from it, the panel the shortcut
    // opens is focused again.
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

        QVERIFY(WaylandBed::current().waitForFocus(m_other.appId()));
        for (int round = 1; round <= 20; ++round) {
            // Held as a person holds them; kglobalaccel inside KWin reports the press to Quillbox.
            QVERIFY(WaylandBed::current().press("super+shift+v"));
            QVERIFY2(WaylandBed::current().waitForFocus(panelId, 10000),
                qPrintable(QStringLiteral("round %1\n%2").arg(round).arg(m_quillbox.output())));
            QVERIFY(WaylandBed::current().press("Escape"));
            QVERIFY(QTest::qWaitFor([] { return !WaylandBed::current().hasWindow(panelId); }, 5000));
            QVERIFY(WaylandBed::current().waitForFocus(m_other.appId()));
        }
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
