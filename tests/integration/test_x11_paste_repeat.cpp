// Twenty pastes in a row from the panel into real programs, each its own process as a person's is: a
// terminal and a Qt and a GTK editor. Every round copies a text of its own, opens the panel with its
// hotkey held as a person holds it, presses Return there and waits for the text to arrive.
#include "ClipboardOwner.h"
#include "PasteTarget.h"
#include "QuillboxProcess.h"

#include <QProcess>
#include <QTest>

class TestX11PasteRepeat : public QObject {
    Q_OBJECT

    QuillboxProcess m_quillbox;

    static QString waitForActiveWindow(const QString &title)
    {
        return QTest::qWaitFor([&] { return QuillboxProcess::activeWindowName() == title; }, 3000)
            ? QString()
            : QStringLiteral("\"%1\" is not in front but \"%2\"").arg(title, QuillboxProcess::activeWindowName());
    }

    void pasteTwentyTimesInto(PasteTarget::Program program)
    {
        PasteTarget target(program);
        QVERIFY(target.start());
        // Copied by a program of its own, as a person's copy is: a copy made here, with this process's
        // last event time, loses to the newer time of the panel's own write and is refused.
        std::unique_ptr<ClipboardOwner> copy;
        const PasteTarget::Tally tally = target.pasteInARow(20, [&](const QString &text) -> QString {
            copy = ClipboardOwner::xclip(text.toUtf8());
            if (!m_quillbox.waitForNewest(text, 3000))
                return QStringLiteral("the copy did not become the newest item");
            if (const QString why = waitForActiveWindow(target.name()); !why.isEmpty())
                return why;
            QuillboxProcess::pressHotkey("super+shift+v");
            if (const QString why = waitForActiveWindow("Quillbox"); !why.isEmpty())
                return why;
            QProcess::execute("xdotool", {"key", "Return"});
            return QuillboxProcess::waitForWindow("Quillbox", false) ? QString()
                                                                     : QStringLiteral("the panel stayed open");
        });
        qInfo("%s", qPrintable(tally.summary()));
        QVERIFY2(tally.arrived == tally.rounds, qPrintable(tally.summary()));
    }

private slots:
    void initTestCase() { QVERIFY(m_quillbox.start()); }

    // xterm has no chord for the clipboard: Control+V arrives as a literal ^V, and Shift+Insert
    // pastes the PRIMARY selection, which the panel sets too.
    void pastesTwentyTimesIntoXterm() { pasteTwentyTimesInto(PasteTarget::Program::Xterm); }
    void pastesTwentyTimesIntoAQtEditor() { pasteTwentyTimesInto(PasteTarget::Program::QtEditor); }
    void pastesTwentyTimesIntoAGtkEditor() { pasteTwentyTimesInto(PasteTarget::Program::GtkEditor); }

    void cleanupTestCase() { QCOMPARE(m_quillbox.terminate(), 0); }
};

QTEST_MAIN(TestX11PasteRepeat)
#include "test_x11_paste_repeat.moc"
