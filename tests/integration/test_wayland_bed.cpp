// The bed itself, first in each bed's run: what it offers clients (printed, so the log shows it), the
// clipboard between two programs, and the driver's own operations on a window of the test's own. When
// this fails, the bed is broken, not Quillbox.

#include "WaylandBed.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QWindow>

#include <algorithm>

namespace {

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(5000) && process.exitCode() == 0 ? process.readAllStandardOutput() : "<failed>";
}

} // namespace

class TestWaylandBed : public QObject {
    Q_OBJECT

    // A text field in a window of its own, titled `title`, shown and focused through the bed.
    static bool showFocused(QLineEdit &field, const QString &title)
    {
        field.setWindowTitle(title);
        field.resize(300, 40);
        field.show();
        const auto listed = [&] {
            const QList<WaylandBed::Window> windows = WaylandBed::current().windows();
            return std::any_of(
                windows.begin(), windows.end(), [&](const auto &window) { return window.title == title; });
        };
        return QTest::qWaitFor(listed, 5000) && WaylandBed::current().focusWindow(title)
            && QTest::qWaitFor([&] { return field.isActiveWindow(); }, 5000);
    }

    // Who has the focus, as the compositor and as Qt see it: a focus that the compositor gives but Qt
    // never takes has failed here now and then.
    static QByteArray focusReport()
    {
        QStringList focused;
        for (const WaylandBed::Window &window : WaylandBed::current().windows()) {
            if (window.focused)
                focused << window.title;
        }
        const QWindow *active = QGuiApplication::focusWindow();
        return QStringLiteral("the compositor focuses [%1], Qt's focus window is %2")
            .arg(focused.join(QStringLiteral(", ")), active ? active->title() : QStringLiteral("none"))
            .toUtf8();
    }

    static bool type(const QStringList &chords)
    {
        for (const QString &chord : chords) {
            if (!WaylandBed::current().press(chord))
                return false;
        }
        return true;
    }

private slots:
    void initTestCase()
    {
        WaylandBed &bed = WaylandBed::current();
        const QString offered = bed.clientView();
        qInfo().noquote() << bed.name() << "offers a client:\n" + offered;
        QVERIFY2(offered.contains("global wl_seat "), "no client can reach the compositor");
        QVERIFY2(bed.globals().contains("xdg_wm_base"), "programs cannot open windows");
        // The test keyboard is in the seat from the bed's start.
        QVERIFY(bed.seatHasKeyboard());
    }

    void theClipboardGoesFromOneProgramToAnother()
    {
        QCOMPARE(run("wl-copy", {"copied on the bed"}), QByteArray());
        QTRY_COMPARE_WITH_TIMEOUT(run("wl-paste", {"--no-newline"}), QByteArray("copied on the bed"), 5000);
    }

    void windowsAreListedAndFocusedByTitle()
    {
        WaylandBed &bed = WaylandBed::current();
        QLineEdit first;
        QLineEdit second;
        QVERIFY(showFocused(first, "Bed window one"));
        QVERIFY(showFocused(second, "Bed window two"));
        QTRY_COMPARE_WITH_TIMEOUT(
            [&] {
                QStringList titles;
                for (const WaylandBed::Window &window : bed.windows()) {
                    if (window.appId == "test_wayland_bed")
                        titles << window.title;
                }
                titles.sort();
                return titles;
            }(),
            QStringList({"Bed window one", "Bed window two"}), 5000);

        QVERIFY(bed.focusWindow("Bed window one"));
        QTRY_VERIFY2_WITH_TIMEOUT(first.isActiveWindow() && !second.isActiveWindow(), focusReport().constData(), 5000);
        QCOMPARE(bed.focusedWindow()->title, QString("Bed window one"));
        QCOMPARE(bed.focusedAppId(), QString("test_wayland_bed"));
        QVERIFY(bed.focusWindow("Bed window two"));
        QTRY_VERIFY2_WITH_TIMEOUT(second.isActiveWindow() && !first.isActiveWindow(), focusReport().constData(), 5000);
        QVERIFY(!bed.focusWindow("No window has this title"));
    }

    void keysReachTheFocusedWindowInOrder()
    {
        QLineEdit field;
        QVERIFY(showFocused(field, "Bed typing"));
        QVERIFY(type({"h", "e", "shift+l", "shift+l", "o", "space", "x", "BackSpace"}));
        QTRY_COMPARE_WITH_TIMEOUT(field.text(), QString("heLLo "), 5000);
        // Control is released after the chord: the key after it replaces the selection instead of cutting.
        QVERIFY(type({"ctrl+a", "z"}));
        QTRY_COMPARE_WITH_TIMEOUT(field.text(), QString("z"), 5000);
    }

    void layoutsSetAreTheKeymapProgramsReceive()
    {
        WaylandBed &bed = WaylandBed::current();
        QLineEdit field;
        QVERIFY(showFocused(field, "Bed layouts"));
        QVERIFY(bed.setLayouts({"ru", "us"}));
        // GNOME adds the layout of the interface language after the ones set, as on a person's desktop.
        QCOMPARE(bed.keymapLayouts().mid(0, 2), QStringList({"Russian", "English (US)"}));
        QVERIFY(type({"g", "h", "b", "d", "t", "n"}));
        QTRY_COMPARE_WITH_TIMEOUT(field.text(), QString("привет"), 5000);

        QVERIFY(bed.setLayouts({"us", "de(nodeadkeys)"}));
        QCOMPARE(bed.keymapLayouts().mid(0, 2), QStringList({"English (US)", "German (no dead keys)"}));
        field.clear();
        QVERIFY(type({"y", "z"}));
        QTRY_COMPARE_WITH_TIMEOUT(field.text(), QString("yz"), 5000);
        QVERIFY(bed.setLayouts({"us"}));
    }
};

QTEST_MAIN(TestWaylandBed)
#include "test_wayland_bed.moc"
