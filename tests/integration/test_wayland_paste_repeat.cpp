// Twenty pastes in a row from the panel into real programs on Wayland, each its own process as a
// person's is: a Qt and a GTK editor and foot, which gets its terminal's own chord. On sway and labwc
// the seat has no keyboard except while the test presses a key (waysession --no-keyboard), as on a
// headless session or one whose only keyboard is virtual: a paste that needs a keyboard already in the
// seat shows here. On KWin the keys go through its fake-input, on GNOME through Quillbox's Shell extension.
// Every round copies a text of its own, opens the panel (with Super+Shift+V where Quillbox owns the
// shortcut: KWin's kglobalaccel, GNOME's extension; elsewhere as the desktop's own key binding does,
// `quillbox --toggle`), presses Return there and waits for the text to arrive.
#include "PasteTarget.h"
#include "QuillboxProcess.h"
#include "WaylandBed.h"

#include <QProcess>
#include <QTest>

namespace {

const QString panel = QStringLiteral("io.quillbox.Quillbox");

} // namespace

class TestWaylandPasteRepeat : public QObject {
    Q_OBJECT

    QuillboxProcess m_quillbox;

    bool openPanel()
    {
        WaylandBed &bed = WaylandBed::current();
        const bool ownsShortcut = bed.name() == "kwin" || bed.name() == "gnome";
        if (ownsShortcut ? !bed.press("super+shift+v") : m_quillbox.startSecondInstance({"--toggle"}) != 0)
            return false;
        return bed.waitForFocus(panel);
    }

    void pasteTwentyTimesInto(PasteTarget::Program program)
    {
        WaylandBed &bed = WaylandBed::current();
        PasteTarget target(program);
        QVERIFY(target.start());
        QVERIFY2(bed.waitForFocus(target.appId()), qPrintable(bed.focusedAppId()));
        const PasteTarget::Tally tally = target.pasteInARow(20, [&](const QString &text) -> QString {
            QProcess copy;
            copy.start("wl-copy", {text});
            if (!copy.waitForFinished(3000) || !m_quillbox.waitForNewest(text, 3000))
                return QStringLiteral("the copy did not become the newest item");
            if (!bed.waitForFocus(target.appId()))
                return QStringLiteral("%1 is in front, not the program").arg(bed.focusedAppId());
            if (!openPanel())
                return QStringLiteral("the panel did not open");
            if (!bed.press("Return"))
                return QStringLiteral("the test keyboard could not press Return");
            // The test's own key must never be the one lost, or a count would blame the product.
            return QTest::qWaitFor([&] { return !bed.hasWindow(panel); }, 3000)
                ? QString()
                : QStringLiteral("the panel stayed open: it never had the test keyboard's Return");
        });
        qInfo("%s on %s", qPrintable(tally.summary()), qPrintable(bed.name()));
        // Quillbox's own log tells a lost paste from a program that stopped.
        QVERIFY2(tally.arrived == tally.rounds,
            qPrintable(tally.summary()
                + QStringLiteral("\nQuillbox running: %1; its log ends:\n%2")
                      .arg(m_quillbox.process().state() == QProcess::Running ? "yes" : "no")
                      .arg(m_quillbox.errorOutput().right(3000))));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_quillbox.start());
        // The panel shown at launch is put away, as a person would, before anything is copied.
        QVERIFY(WaylandBed::current().waitForFocus(panel));
        QCOMPARE(m_quillbox.startSecondInstance({"--toggle"}), 0);
        QVERIFY(QTest::qWaitFor([] { return !WaylandBed::current().hasWindow(panel); }, 5000));
    }

    void pastesTwentyTimesIntoAQtEditor() { pasteTwentyTimesInto(PasteTarget::Program::QtEditor); }
    void pastesTwentyTimesIntoAGtkEditor() { pasteTwentyTimesInto(PasteTarget::Program::GtkEditor); }
    void pastesTwentyTimesIntoFoot()
    {
        // foot crashes under headless KWin; its terminal chord is tried on the wlroots beds.
        if (WaylandBed::current().name() != "kwin")
            pasteTwentyTimesInto(PasteTarget::Program::Foot);
    }

    void cleanupTestCase() { QCOMPARE(m_quillbox.terminate(), 0); }
};

QTEST_MAIN(TestWaylandPasteRepeat)
#include "test_wayland_paste_repeat.moc"
