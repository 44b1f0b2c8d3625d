// The wrong-layout fix on each Wayland bed: the layouts us and ru set as the desktop's settings set
// them, `quillbox fix-layout` as a desktop's key binding runs it (Super+Shift+L on GNOME), the
// selection of a Wayland text field retyped, the clipboard given back, and a terminal left alone (known
// by the application the compositor reports in front).

#include "QuillboxProcess.h"
#include "WaylandBed.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString clipboardText(const QStringList &options = {})
{
    QProcess paste;
    paste.start("wl-paste", QStringList{"--no-newline"} + options);
    // The primary selection may be this process's own, served only while its events run.
    if (!QTest::qWaitFor([&] { return paste.state() == QProcess::NotRunning; }, 3000)) {
        paste.kill();
        paste.waitForFinished(1000);
        return {};
    }
    return QString::fromUtf8(paste.readAllStandardOutput());
}

} // namespace

class TestWaylandLanguageFix : public QObject {
    Q_OBJECT

    QuillboxProcess m_quillbox;

    // Selects the whole field as a person does, with Control+A, which makes it the primary selection
    // (Qt offers one only after an input event gave it a serial).
    static bool selectAll(QLineEdit &field)
    {
        if (!WaylandBed::current().press("ctrl+a")
            || !QTest::qWaitFor([&] { return field.selectedText() == field.text(); }, 3000))
            return false;
        // Set again only where Qt did not: mutter takes no second selection with the same serial, and
        // the first goes with the replaced source.
        if (!QGuiApplication::clipboard()->ownsSelection())
            QGuiApplication::clipboard()->setText(field.text(), QClipboard::Selection);
        return true;
    }

    // As a desktop's key binding runs it; on GNOME Quillbox's extension owns the shortcut, and types only
    // after its press.
    bool fixLayout()
    {
        if (WaylandBed::current().name() == "gnome")
            return WaylandBed::current().press("super+shift+l");
        return m_quillbox.startSecondInstance({"fix-layout"}) == 0;
    }

private slots:
    void initTestCase()
    {
        // The person's layouts.
        QVERIFY(WaylandBed::current().setLayouts({"us", "ru"}));
        QVERIFY(m_quillbox.start());
        QVERIFY(WaylandBed::current().waitForFocus("io.quillbox.Quillbox"));
        QCOMPARE(m_quillbox.startSecondInstance({"--toggle"}), 0);
        QProcess copy;
        copy.start("wl-copy", {"kept on the clipboard"});
        QVERIFY(copy.waitForFinished(3000));
        QVERIFY(m_quillbox.waitForNewest("kept on the clipboard"));
    }

    void retypesTheSelectionBothWays()
    {
        QLineEdit field("ghbdtn");
        field.resize(300, 40);
        field.show();
        QVERIFY(WaylandBed::current().waitForFocus("test_wayland_language_fix"));
        QVERIFY(selectAll(field));
        // wl-paste reaches GNOME's selections through a window of its own, which would take the focus the
        // primary selection is served to.
        if (WaylandBed::current().name() != "gnome")
            QTRY_COMPARE_WITH_TIMEOUT(clipboardText({"--primary"}), QString("ghbdtn"), 5000);
        QVERIFY(fixLayout());
        QVERIFY2(QTest::qWaitFor([&] { return field.text() == "привет"; }, 5000), qPrintable(m_quillbox.output()));
        // Read from the primary selection, which the focused window set, not copied with Control+C.
        QVERIFY2(!m_quillbox.output().contains("Simulated Cmd+C"), qPrintable(m_quillbox.output()));
        QTRY_COMPARE_WITH_TIMEOUT(clipboardText(), QString("kept on the clipboard"), 5000);

        // A paste program's own keymap may have been the seat's while it typed: the layouts still come
        // from the keyboard.
        QVERIFY(selectAll(field));
        QVERIFY(fixLayout());
        QTRY_COMPARE_WITH_TIMEOUT(field.text(), QString("ghbdtn"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(clipboardText(), QString("kept on the clipboard"), 5000);
        // The fix's own texts never become history.
        QCOMPARE(
            m_quillbox.query("SELECT COUNT(*) FROM ClipboardItem WHERE content IN ('ghbdtn', 'привет')").toInt(), 0);
    }

    void aTerminalIsLeftAlone()
    {
        QProcess foot;
        const QTemporaryDir scratch;
        if (WaylandBed::current().name() == "kwin") {
            // foot crashes on KWin's virtual output: a window that names itself foot stands in.
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("GDK_BACKEND", "wayland");
            foot.setProcessEnvironment(environment);
            foot.start("/usr/bin/python3",
                {qEnvironmentVariable("QUILLBOX_SOURCE_DIR") + "/tests/support/gtk-editor.py", "terminal", "foot",
                    scratch.filePath("text")});
        } else {
            foot.start("foot", {"sleep", "60"});
        }
        QVERIFY(foot.waitForStarted());
        QVERIFY(WaylandBed::current().waitForFocus("foot"));
        QVERIFY(fixLayout());
        QTRY_VERIFY_WITH_TIMEOUT(m_quillbox.output().contains("[LanguageFix] Terminals are not supported"), 5000);
        QCOMPARE(clipboardText(), QString("kept on the clipboard"));
        foot.kill();
        foot.waitForFinished(2000);
    }

    void cleanupTestCase() { QCOMPARE(m_quillbox.terminate(), 0); }
};

QTEST_MAIN(TestWaylandLanguageFix)
#include "test_wayland_language_fix.moc"
