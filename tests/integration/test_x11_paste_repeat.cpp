// Pasting from the panel into a terminal: the real program, a real xterm whose input lands in a file,
// the panel's hotkey held as a person holds it and Return pressed in the panel.
#include "QuillboxProcess.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestX11TerminalPaste : public QObject {
    Q_OBJECT

    QuillboxProcess m_quillbox;

private slots:
    void initTestCase() { QVERIFY(m_quillbox.start()); }

    // xterm has no chord for the clipboard: Control+V arrives as a literal ^V, and Shift+Insert
    // pastes the PRIMARY selection.
    void returnPastesIntoXterm()
    {
        const QString text = QStringLiteral("echo pasted from the panel");
        QGuiApplication::clipboard()->setText(text);
        QVERIFY(m_quillbox.waitFor("SELECT content FROM ClipboardItem ORDER BY createdAt DESC LIMIT 1",
            [&text](const QVariant &v) { return v.toString() == text; }));

        QTemporaryDir dir;
        const QString input = dir.filePath("input");
        QProcess xterm;
        xterm.start("xterm",
            {"-class", "XTerm", "-T", "terminal", "-e", "sh", "-c",
                QStringLiteral("stty -icanon -echo; touch %1.ready; cat > %1").arg(input)});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(input + ".ready"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(QuillboxProcess::activeWindowName(), QStringLiteral("terminal"), 3000);

        QuillboxProcess::pressHotkey("super+shift+v");
        QTRY_COMPARE_WITH_TIMEOUT(QuillboxProcess::activeWindowName(), QStringLiteral("Quillbox"), 3000);
        QProcess::execute("xdotool", {"key", "Return"});
        QTRY_COMPARE_WITH_TIMEOUT(contents(input), text.toUtf8(), 3000);
        QVERIFY(!contents(input).contains('\x16'));

        xterm.kill();
        xterm.waitForFinished(3000);
    }

    void cleanupTestCase() { QCOMPARE(m_quillbox.terminate(), 0); }
};

QTEST_MAIN(TestX11TerminalPaste)
#include "test_x11_terminal_paste.moc"
