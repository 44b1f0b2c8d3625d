// The wrong-layout fix end to end: the real program, a real X server with two layouts, the hotkey held
// as a person holds it; a Qt window whose selection is retyped, and an xterm that must be left alone.
#include "QuillboxProcess.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

namespace {

// Stands for an editor whose whole text is selected: Control+C copies it, Control+V replaces it.
class SelectionWindow : public QWindow {
public:
    QString text;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->modifiers() != Qt::ControlModifier)
            return;
        if (event->key() == Qt::Key_C)
            QGuiApplication::clipboard()->setText(text);
        else if (event->key() == Qt::Key_V)
            text = QGuiApplication::clipboard()->text();
    }
};

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestX11LanguageFix : public QObject {
    Q_OBJECT

    QuillboxProcess m_quillbox;
    SelectionWindow m_window;

private slots:
    void initTestCase()
    {
        QCOMPARE(QProcess::execute("setxkbmap", {"-layout", "us,ru"}), 0);
        QVERIFY(m_quillbox.start(QStringLiteral("[HotkeyService] Registered hotkey id=2 combo=⌘ ⇧ L")));
        m_window.setTitle("editor");
        m_window.resize(200, 100);
        m_window.show();
        m_window.requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(&m_window));
    }

    void retypesTheSelectionAndRestoresTheClipboard()
    {
        m_window.text = QStringLiteral("ghbdtn");
        QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
        QTest::qWait(100); // let the program's reader take in the earlier text
        QuillboxProcess::pressHotkey("super+shift+l");
        QTRY_COMPARE_WITH_TIMEOUT(m_window.text, QStringLiteral("привет"), 3000);
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::clipboard()->text(), QStringLiteral("earlier"), 3000);
        const QString output = m_quillbox.output();
        // The lines say how much text there was, never what it said: logs outlive the history.
        QVERIFY2(output.contains("[LanguageFix] Converted: 6 characters\n"), qPrintable(output));
        QVERIFY2(!output.contains("привет") && !output.contains("ghbdtn"), qPrintable(output));

        // The fix's own clipboard texts are not copies the user made: the history holds only "earlier".
        QTest::qWait(2 * 500 + 100);
        QCOMPARE(m_quillbox.rows("SELECT content FROM ClipboardItem"), QList<QVariantList>({{"earlier"}}));
    }

    void sendsNoInterruptIntoATerminal()
    {
        QTemporaryDir dir;
        const QString record = dir.filePath("signals");
        // The shell's trap records every SIGINT that the terminal delivers to it.
        QProcess xterm;
        xterm.start("xterm",
            {"-class", "XTerm", "-T", "terminal", "-e", "sh", "-c",
                QStringLiteral("trap 'echo INT >> %1' INT; echo ready >> %1; "
                               "while :; do sleep 0.05; done")
                    .arg(record)});
        QTRY_COMPARE_WITH_TIMEOUT(contents(record), QByteArray("ready\n"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(QuillboxProcess::activeWindowName(), QStringLiteral("terminal"), 3000);

        QuillboxProcess::pressHotkey("super+shift+l");
        QTRY_VERIFY_WITH_TIMEOUT(m_quillbox.output().contains("[LanguageFix] Terminals are not supported — select "
                                                              "the text in another program\n"),
            3000);
        QTest::qWait(300); // a keystroke sent after the line would have arrived by now
        QCOMPARE(contents(record), QByteArray("ready\n"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("earlier"));

        // The record does catch an interrupt.
        QProcess::execute("xdotool", {"key", "ctrl+c"});
        QTRY_COMPARE_WITH_TIMEOUT(contents(record), QByteArray("ready\nINT\n"), 3000);
        xterm.kill();
        xterm.waitForFinished(3000);
    }

    void cleanupTestCase() { QCOMPARE(m_quillbox.terminate(), 0); }
};

QTEST_MAIN(TestX11LanguageFix)
#include "test_x11_language_fix.moc"
