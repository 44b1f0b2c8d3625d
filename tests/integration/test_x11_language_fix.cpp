// The wrong-layout fix end to end: the real program, a real X server with two layouts, keys from xdotool.
#include "QuillboxProcess.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QProcess>
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
        QCOMPARE(QProcess::execute("xdotool", {"key", "super+shift+l"}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_window.text, QStringLiteral("привет"), 3000);
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::clipboard()->text(), QStringLiteral("earlier"), 3000);
        const QString output = m_quillbox.output();
        QVERIFY2(output.contains("[LanguageFix] Converted: привет\n"), qPrintable(output));

        // The fix's own clipboard texts are not copies the user made: the history holds only "earlier".
        QTest::qWait(2 * 500 + 100);
        QCOMPARE(m_quillbox.rows("SELECT content FROM ClipboardItem"), QList<QVariantList>({{"earlier"}}));
    }

    void cleanupTestCase() { QCOMPARE(m_quillbox.terminate(), 0); }
};

QTEST_MAIN(TestX11LanguageFix)
#include "test_x11_language_fix.moc"
