// The panel end to end: the real program on a real X server, keys from xdotool, a target window of
// the test's own that receives the paste.
#include "AccessibleTree.h"
#include "QuillboxProcess.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QWindow>

namespace {

// An editor that pastes the clipboard's text on Control+V.
class TargetWindow : public QWindow {
public:
    QString text;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->modifiers() == Qt::ControlModifier && event->key() == Qt::Key_V)
            text += QGuiApplication::clipboard()->text();
    }
};

void key(const QString &keys)
{
    QProcess::execute("xdotool", {"key", "--clearmodifiers", keys});
}

QPoint windowPosition(const QString &window)
{
    QProcess geometry;
    geometry.start("xdotool", {"getwindowgeometry", window});
    geometry.waitForFinished(3000);
    const auto match = QRegularExpression(QStringLiteral("Position: (\\d+),(\\d+)"))
                           .match(QString::fromUtf8(geometry.readAllStandardOutput()));
    return match.hasMatch() ? QPoint(match.captured(1).toInt(), match.captured(2).toInt()) : QPoint(-1, -1);
}

// A press at (x, y) in the window, moved by `offset` in small steps as a hand moves, then released.
void drag(const QString &window, QPoint from, QPoint offset)
{
    QProcess::execute("xdotool",
        {"mousemove", "--window", window, QString::number(from.x()), QString::number(from.y()), "mousedown", "1"});
    constexpr int steps = 10;
    for (int i = 0; i < steps; ++i) {
        QTest::qWait(30);
        QProcess::execute("xdotool",
            {"mousemove_relative", "--", QString::number(offset.x() / steps), QString::number(offset.y() / steps)});
    }
    QTest::qWait(100);
    QProcess::execute("xdotool", {"mouseup", "1"});
}

// The window moved by about `offset`: the window manager follows the pointer from the moment the
// drag was recognised, a few pixels into it.
bool movedBy(const QString &window, QPoint before, QPoint offset)
{
    return QTest::qWaitFor([&] { return ((windowPosition(window) - before) - offset).manhattanLength() <= 30; }, 3000);
}

// Once the button is up the window stays where it was left, wherever the pointer goes.
bool staysPut(const QString &window)
{
    const QPoint left = windowPosition(window);
    QProcess::execute("xdotool", {"mousemove_relative", "--", "90", "70"});
    QTest::qWait(300); // time for a window that still followed the pointer to show it
    return windowPosition(window) == left;
}

} // namespace

class TestX11Panel : public QObject {
    Q_OBJECT

    QuillboxProcess m_quillbox;
    TargetWindow m_target;

    // As a click on it would: through the window manager, which a stale activation request from
    // the window itself may not move.
    void activateTarget()
    {
        QProcess::execute("xdotool", {"windowactivate", QString::number(m_target.winId())});
        QTRY_COMPARE_WITH_TIMEOUT(QuillboxProcess::activeWindowName(), QStringLiteral("target"), 3000);
    }

    void copy(const QString &text)
    {
        QGuiApplication::clipboard()->setText(text);
        QVERIFY(m_quillbox.waitForNewest(text, 1500));
    }

    // The hotkey pressed like a person over the test's window, until the panel has the focus.
    bool showPanelOverTarget()
    {
        activateTarget();
        QuillboxProcess::pressHotkey("super+shift+v");
        return QuillboxProcess::waitForWindow("Quillbox")
            && QTest::qWaitFor([] { return QuillboxProcess::activeWindowName() == QStringLiteral("Quillbox"); }, 3000);
    }

private slots:
    void initTestCase()
    {
        m_target.setTitle("target");
        m_target.resize(300, 200);
        m_target.show();
        activateTarget();
    }

    // Before the main instance starts: one instance per session bus.
    void aFirstRunShowsOnboardingBeforeThePanel()
    {
        QuillboxProcess fresh;
        fresh.firstRun = true;
        // Read by a screen reader too: every control of the page shown has a name.
        QProcessEnvironment accessible;
        accessible.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        QVERIFY(fresh.start(QStringLiteral("[Quillbox] Seeded 10 default templates"), accessible));
        QVERIFY(QuillboxProcess::waitForWindow("Welcome to Quillbox"));
        QVERIFY(!QuillboxProcess::hasVisibleWindow("Quillbox"));
        // The window is mapped before its controls are on the accessibility bus, later on a loaded machine.
        AccessibleTree welcomeTree;
        QTRY_VERIFY_WITH_TIMEOUT((welcomeTree = AccessibleTree::of("Quillbox").window("Welcome to Quillbox"),
                                     !welcomeTree.withRole("push button").isEmpty()),
            10000);
        QCOMPARE(welcomeTree.unnamedControls(), QStringList());
        // Its background moves it.
        const QString welcome = QuillboxProcess::visibleWindows("Welcome to Quillbox").value(0);
        const QPoint before = windowPosition(welcome);
        drag(welcome, {12, 12}, {-120, 60});
        QVERIFY2(movedBy(welcome, before, {-120, 60}),
            qPrintable(QStringLiteral("from %1,%2 to %3,%4")
                           .arg(before.x())
                           .arg(before.y())
                           .arg(windowPosition(welcome).x())
                           .arg(windowPosition(welcome).y())));
        QVERIFY(staysPut(welcome));
        QCOMPARE(fresh.terminate(), 0);
    }

    void startWithAHistory()
    {
        QVERIFY(m_quillbox.start());
        activateTarget();
        copy("alpha one");
        copy("beta two");
        copy("gamma three");
    }

    void hotkeyShowsTheFocusedPanelAndEscHidesIt()
    {
        QVERIFY(showPanelOverTarget());
        key("Escape");
        QVERIFY(QuillboxProcess::waitForWindow("Quillbox", false));
        QVERIFY(m_target.text.isEmpty());

        // Another window taking the focus hides the panel too.
        QuillboxProcess::pressHotkey("super+shift+v");
        QTRY_COMPARE_WITH_TIMEOUT(QuillboxProcess::activeWindowName(), QStringLiteral("Quillbox"), 3000);
        activateTarget();
        QVERIFY(QuillboxProcess::waitForWindow("Quillbox", false));
    }

    void typingFiltersAndReturnPastesIntoThePreviousWindow()
    {
        QVERIFY(showPanelOverTarget());
        QProcess::execute("xdotool", {"type", "--delay", "15", "beta"});
        QTest::qWait(300);
        key("Return");
        QVERIFY(QuillboxProcess::waitForWindow("Quillbox", false));
        QTRY_COMPARE_WITH_TIMEOUT(m_target.text, QStringLiteral("beta two"), 3000);
        QVERIFY(QTest::qWaitForWindowActive(&m_target));
        // The pasted item came back as the newest one rather than a duplicate.
        QVERIFY(m_quillbox.waitForNewest("beta two", 1500));
        QCOMPARE(m_quillbox.query("SELECT count(*) FROM ClipboardItem").toInt(), 3);
    }

    void draggingTheBackgroundMovesThePanelAndTheNextShowCentresItAgain()
    {
        QVERIFY(showPanelOverTarget());
        const QString panel = QuillboxProcess::visibleWindows("Quillbox").value(0);
        const QPoint centred = windowPosition(panel);
        // The panel's edge, outside the list and the bars.
        drag(panel, {8, 320}, {150, -80});
        QVERIFY2(movedBy(panel, centred, {150, -80}),
            qPrintable(QStringLiteral("from %1,%2 to %3,%4")
                           .arg(centred.x())
                           .arg(centred.y())
                           .arg(windowPosition(panel).x())
                           .arg(windowPosition(panel).y())));
        QVERIFY(staysPut(panel));
        // The window manager held the keyboard while it moved the panel; once it gives it back, the
        // panel hides as ever when another window takes the focus.
        QTRY_COMPARE_WITH_TIMEOUT(QuillboxProcess::activeWindowName(), QStringLiteral("Quillbox"), 3000);
        QVERIFY(QuillboxProcess::hasVisibleWindow("Quillbox"));
        activateTarget();
        QVERIFY(QuillboxProcess::waitForWindow("Quillbox", false));
        QVERIFY(showPanelOverTarget());
        QTRY_COMPARE_WITH_TIMEOUT(windowPosition(QuillboxProcess::visibleWindows("Quillbox").value(0)), centred, 3000);
        activateTarget();
        QVERIFY(QuillboxProcess::waitForWindow("Quillbox", false));
    }

    void tabInTheEditCardIsText()
    {
        QVERIFY(showPanelOverTarget());
        key("ctrl+e");
        QTest::qWait(500); // the editor takes the focus a moment after its card opens
        key("Tab");
        key("Return");
        QVERIFY(m_quillbox.waitFor(
            "SELECT count(*) FROM ClipboardItem WHERE instr(content, char(9)) > 0",
            [](const QVariant &v) { return v.toInt() == 1; }, 3000));
        key("Escape");
        QVERIFY(QuillboxProcess::waitForWindow("Quillbox", false));
    }

    void aSecondStartTogglesTheFirstAndExits()
    {
        activateTarget();
        QCOMPARE(m_quillbox.startSecondInstance(), 0);
        QVERIFY(QuillboxProcess::waitForWindow("Quillbox"));
        QCOMPARE(m_quillbox.startSecondInstance({"--toggle"}), 0);
        QVERIFY(QuillboxProcess::waitForWindow("Quillbox", false));
        QCOMPARE(m_quillbox.process().state(), QProcess::Running);
    }

    void cleanupTestCase() { QCOMPARE(m_quillbox.terminate(), 0); }
};

QTEST_MAIN(TestX11Panel)
#include "test_x11_panel.moc"
