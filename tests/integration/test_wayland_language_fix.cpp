// The wrong-layout fix under headless sway: a keyboard with the layouts us and ru in the seat,
// `quillbox fix-layout` as a desktop's key binding runs it, the selection of a Wayland text field
// retyped through wtype, the clipboard given back, and a terminal left alone.

#include "QuillboxProcess.h"
#include "SwayTree.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
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

    QProcess m_keyboard;
    QuillboxProcess m_quillbox;

    // Selects the whole field as a person does, with Control+A, which makes it the primary selection
    // (Qt offers one only after an input event gave it a serial).
    static bool selectAll(QLineEdit &field)
    {
        if (QProcess::execute("wtype", {"-M", "ctrl", "-k", "a", "-m", "ctrl"}) != 0
            || !QTest::qWaitFor([&] { return field.selectedText() == field.text(); }, 3000))
            return false;
        QGuiApplication::clipboard()->setText(field.text(), QClipboard::Selection);
        return true;
    }

private slots:
    void initTestCase()
    {
        // The person's layouts, as sway's configuration gives them to every keyboard.
        QCOMPARE(QProcess::execute("swaymsg", {"input * xkb_layout \"us,ru\""}), 0);
        m_keyboard.start(WL_KEYBOARD, {"us,ru"});
        QVERIFY(m_keyboard.waitForReadyRead(5000));
        QCOMPARE(m_keyboard.readLine().trimmed(), QByteArray("ready"));
        QVERIFY(m_quillbox.start());
        QVERIFY(SwayTree::waitForFocus("io.quillbox.Quillbox"));
        QCOMPARE(m_quillbox.startSecondInstance({"--toggle"}), 0);
        QProcess copy;
        copy.start("wl-copy", {"kept on the clipboard"});
        QVERIFY(copy.waitForFinished(3000));
        QVERIFY(m_quillbox.waitFor(
            "SELECT content FROM ClipboardItem ORDER BY createdAt DESC LIMIT 1",
            [](const QVariant &value) { return value.toString() == "kept on the clipboard"; }, 5000));
    }

    void retypesTheSelectionBothWays()
    {
        QLineEdit field("ghbdtn");
        field.resize(300, 40);
        field.show();
        QVERIFY(SwayTree::waitForFocus("test_wayland_language_fix"));
        QVERIFY(selectAll(field));
        QTRY_COMPARE_WITH_TIMEOUT(clipboardText({"--primary"}), QString("ghbdtn"), 5000);
        QCOMPARE(m_quillbox.startSecondInstance({"fix-layout"}), 0);
        QVERIFY2(QTest::qWaitFor([&] { return field.text() == "привет"; }, 5000), qPrintable(m_quillbox.output()));
        // Read from the primary selection, which the focused window set, not copied with Control+C.
        QVERIFY(!m_quillbox.output().contains("Simulated Cmd+C"));
        QTRY_COMPARE_WITH_TIMEOUT(clipboardText(), QString("kept on the clipboard"), 5000);

        // wtype's own keymap was the seat's while it pasted: the layouts still come from the keyboard.
        QVERIFY(selectAll(field));
        QCOMPARE(m_quillbox.startSecondInstance({"fix-layout"}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(field.text(), QString("ghbdtn"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(clipboardText(), QString("kept on the clipboard"), 5000);
        // The fix's own texts never become history.
        QCOMPARE(
            m_quillbox.query("SELECT COUNT(*) FROM ClipboardItem WHERE content IN ('ghbdtn', 'привет')").toInt(), 0);
    }

    void aTerminalIsLeftAlone()
    {
        QProcess foot;
        foot.start("foot", {"sleep", "60"});
        QVERIFY(foot.waitForStarted());
        QVERIFY(SwayTree::waitForFocus("foot"));
        QCOMPARE(m_quillbox.startSecondInstance({"fix-layout"}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_quillbox.output().contains("[LanguageFix] Terminals are not supported"), 5000);
        QCOMPARE(clipboardText(), QString("kept on the clipboard"));
        foot.kill();
        foot.waitForFinished(2000);
    }

    void cleanupTestCase()
    {
        QCOMPARE(m_quillbox.terminate(), 0);
        m_keyboard.kill();
        m_keyboard.waitForFinished(2000);
    }
};

QTEST_MAIN(TestWaylandLanguageFix)
#include "test_wayland_language_fix.moc"
