// Quillbox under GNOME Shell as a person meets it with its extension: switched off while Quillbox runs,
// Quillbox says so and captures nothing; switched on again, Quillbox registers anew, captures, and its
// shortcut opens the panel.

#include "QuillboxProcess.h"
#include "WaylandBed.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTest>

namespace {

const QString panelId = QStringLiteral("io.quillbox.Quillbox");

bool switchExtension(const QString &method)
{
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell.Extensions", method)
            << QStringLiteral("quillbox@quillbox.io"),
        QDBus::Block, 10000);
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
}

bool copy(const QString &text)
{
    QProcess wlCopy;
    wlCopy.start("wl-copy", {text});
    return wlCopy.waitForFinished(5000) && wlCopy.exitCode() == 0;
}

} // namespace

class TestGnomeSession : public QObject {
    Q_OBJECT

    QuillboxProcess m_quillbox;

    bool newestIs(const QString &text)
    {
        return m_quillbox.waitFor("SELECT content FROM ClipboardItem ORDER BY createdAt DESC LIMIT 1",
            [&](const QVariant &newest) { return newest.toString() == text; }, 5000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_quillbox.start());
        QVERIFY(WaylandBed::current().waitForFocus(panelId));
        QVERIFY(WaylandBed::current().press("Escape"));
        QVERIFY(QTest::qWaitFor([] { return !WaylandBed::current().hasWindow(panelId); }, 5000));
        QVERIFY(copy("while on"));
        QVERIFY(newestIs("while on"));
    }

    void switchedOffAndOnAgainWhileQuillboxRuns()
    {
        const auto registrations
            = [this] { return m_quillbox.errorOutput().count("registered with Quillbox's GNOME Shell"); };
        const qsizetype before = registrations();
        QVERIFY(switchExtension("DisableExtension"));
        QVERIFY2(QTest::qWaitFor(
                     [this] { return m_quillbox.errorOutput().contains("GNOME Shell extension was switched off"); },
                     5000),
            qPrintable(m_quillbox.errorOutput()));
        QVERIFY(copy("while off"));
        QVERIFY(!newestIs("while off"));

        QVERIFY(switchExtension("EnableExtension"));
        QVERIFY2(QTest::qWaitFor([&] { return registrations() > before; }, 5000), qPrintable(m_quillbox.errorOutput()));
        QVERIFY(copy("on again"));
        QVERIFY2(newestIs("on again"), qPrintable(m_quillbox.errorOutput()));
        QVERIFY(WaylandBed::current().press("super+shift+v"));
        QVERIFY(WaylandBed::current().waitForFocus(panelId, 10000));
    }

    void cleanupTestCase() { QCOMPARE(m_quillbox.terminate(), 0); }
};

QTEST_MAIN(TestGnomeSession)
#include "test_gnome_session.moc"
