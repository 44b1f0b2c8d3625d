// Quillbox's GNOME Shell extension in headless GNOME Shell, serving the tests' own client
// (tests/support/shell-client) where the installed quillbox would run: who it serves, the clipboard
// through pipes, a stalled owner, the client's own copies, focus and typed chords, shortcuts, and
// that no content ever crosses the bus.

#include "GnomeBed.h"
#include "PasteTarget.h"
#include "ShellClientProcess.h"
#include "TestImages.h"
#include "WaylandBed.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

const QString shellService = QStringLiteral("io.quillbox.Shell");
const QString clientName = QStringLiteral("io.quillbox.Quillbox");
const QString notAllowed = QStringLiteral("error io.quillbox.Shell1.Error.NotAllowed");
const QString textType = QStringLiteral("text/plain;charset=utf-8");

QString hex(const QByteArray &data)
{
    return QString::fromLatin1(data.toHex());
}

quint64 serialOf(const QString &changed)
{
    return changed.section(u' ', 1, 1).toULongLong();
}

QStringList typesOf(const QString &changed)
{
    return changed.section(u' ', 3).split(u',', Qt::SkipEmptyParts);
}

// Copies `data` as `type` the way a person's program does, through wl-copy (which serves it from the
// background once it has set the selection).
bool wlCopy(const QString &type, const QByteArray &data)
{
    QProcess copy;
    copy.start("wl-copy", {"--type", type});
    copy.write(data);
    copy.closeWriteChannel();
    return copy.waitForFinished(10000) && copy.exitCode() == 0;
}

QByteArray wlPaste(const QStringList &arguments)
{
    QProcess paste;
    paste.start("wl-paste", arguments);
    return paste.waitForFinished(10000) && paste.exitCode() == 0 ? paste.readAllStandardOutput() : "<failed>";
}

// A call from this test process, which runs no allowed program.
QString callAsStranger(const QString &method, const QVariantList &arguments)
{
    QDBusMessage message
        = QDBusMessage::createMethodCall(shellService, "/io/quillbox/Shell", "io.quillbox.Shell1", method);
    message.setArguments(arguments);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(message, QDBus::Block, 10000);
    return reply.type() == QDBusMessage::ErrorMessage ? "error " + reply.errorName() : "ok";
}

} // namespace

class TestGnomeShellExtension : public QObject {
    Q_OBJECT

    ShellClientProcess m_client;
    QProcess m_monitor;
    // Texts that pass through the clipboard; none of them may show on the bus.
    QStringList m_contents;

    // Copies through wl-copy and waits until the client is told; the announcement.
    QString copied(const QString &type, const QByteArray &data)
    {
        m_contents << QString::fromUtf8(data);
        return wlCopy(type, data) ? m_client.waitForSignal("changed ") : QString();
    }

    bool focusedTitle(const QString &title)
    {
        return QTest::qWaitFor(
            [&] {
                const auto window = WaylandBed::current().focusedWindow();
                return window && window->title == title;
            },
            5000);
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(WaylandBed::current().name(), QString("gnome"));
        QVERIFY2(QFile::exists(qEnvironmentVariable("QUILLBOX_BED_GNOME_CLIENT")), "the bed serves no client");
        QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
        QTRY_VERIFY_WITH_TIMEOUT(bus->isServiceRegistered(shellService), 10000);
        // Everything the session bus carries from here on, as any program of the user could watch it.
        m_monitor.start("dbus-monitor", {"--session"});
        QVERIFY(m_monitor.waitForStarted());
        QVERIFY(m_client.start());
    }

    void onlyTheInstalledProgramOwningTheNameIsServed()
    {
        // The allowed program, before it owns Quillbox's name.
        QCOMPARE(m_client.command("register 1"), notAllowed);

        // The same program at another path, owning the name: an impostor.
        QTemporaryDir elsewhere;
        QVERIFY(QFile::setPermissions(elsewhere.path(),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
        const QString copy = elsewhere.filePath("shell-client");
        QVERIFY(QFile::copy(qEnvironmentVariable("QUILLBOX_BED_GNOME_CLIENT"), copy));
        {
            ShellClientProcess impostor(copy);
            QVERIFY(impostor.start());
            QCOMPARE(impostor.command("own"), QString("owned"));
            QCOMPARE(impostor.command("register 1"), notAllowed);
            QCOMPARE(impostor.command("focused"), notAllowed);
        }
        // Another program altogether, owning the name.
        QTRY_VERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(clientName));
        QVERIFY(QDBusConnection::sessionBus().registerService(clientName));
        QCOMPARE(callAsStranger("Register", {1u}), notAllowed);
        QVERIFY(QDBusConnection::sessionBus().unregisterService(clientName));

        QCOMPARE(m_client.command("own"), QString("owned"));
        QCOMPARE(m_client.command("register 2"), QString("error io.quillbox.Shell1.Error.VersionMismatch"));
        QCOMPARE(m_client.command("register 1"), QString("ok 1"));
        QVERIFY(m_client.command("properties").startsWith("ok 1 0."));
        QVERIFY(m_client.command("focused").startsWith("ok "));
        QCOMPARE(callAsStranger("FocusedWindow", {}), notAllowed);

        // A new owner of the name, even the same program again, registers anew.
        QCOMPARE(m_client.command("release"), QString("released"));
        QCOMPARE(m_client.command("own"), QString("owned"));
        QCOMPARE(m_client.command("focused"), notAllowed);
        QCOMPARE(m_client.command("register 1"), QString("ok 1"));

        // An upgrade replaces the file under the running program, whose link then ends in " (deleted)".
        const QString installed = qEnvironmentVariable("QUILLBOX_BED_GNOME_CLIENT");
        QVERIFY(QFile::remove(installed));
        QVERIFY(QFile::copy(copy, installed));
        QVERIFY(QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(m_client.pid())).endsWith(" (deleted)"));
        QVERIFY(m_client.command("focused").startsWith("ok "));
    }

    void clipboardChangesComeWithTheirTypesAndContentThroughPipes()
    {
        const QByteArray text = "copied text \xe2\x9c\x93 marker-7f3a";
        QString changed = copied(textType, text);
        QVERIFY2(typesOf(changed).contains(textType), qPrintable(changed));
        QVERIFY(changed.contains(" false "));
        const quint64 serial = serialOf(changed);
        QCOMPARE(
            m_client.command(QStringLiteral("read clipboard %1 %2 1000").arg(serial).arg(textType)), "ok " + hex(text));
        // At most max_bytes of it.
        QCOMPARE(m_client.command(QStringLiteral("read clipboard %1 %2 6").arg(serial).arg(textType)),
            "ok " + hex(text.left(6)));
        QCOMPARE(m_client.command(QStringLiteral("read clipboard %1 image/png 1000").arg(serial)),
            QString("error io.quillbox.Shell1.Error.NotAvailable"));

        const QByteArray png = solidPng(40, 30);
        changed = copied("image/png", png);
        QCOMPARE(typesOf(changed), QStringList{"image/png"});
        QCOMPARE(serialOf(changed), serial + 1);
        QCOMPARE(m_client.command(QStringLiteral("read clipboard %1 image/png 100000000").arg(serial + 1)),
            "ok " + hex(png));
        QCOMPARE(m_client.command(QStringLiteral("read clipboard %1 image/png 1000").arg(serial)),
            QString("error io.quillbox.Shell1.Error.StaleSerial"));

        const QByteArray uris = "file:///tmp/quillbox-marker-9c1e.txt\r\n";
        changed = copied("text/uri-list", uris);
        QVERIFY2(typesOf(changed).contains("text/uri-list"), qPrintable(changed));
        QCOMPARE(m_client.command(QStringLiteral("read clipboard %1 text/uri-list 1000").arg(serialOf(changed))),
            "ok " + hex(uris));
        // Asked for by a client that came after the change: the same serial and formats.
        QCOMPARE(m_client.command("current"),
            QStringLiteral("ok %1 %2").arg(serialOf(changed)).arg(typesOf(changed).join(u',')));

        // Nothing was selected in the window that has the focus.
        QCOMPARE(m_client.command(QStringLiteral("read primary 0 %1 1000").arg(textType)),
            QString("error io.quillbox.Shell1.Error.NotAvailable"));
        QCOMPARE(m_client.command(QStringLiteral("read elsewhere 0 %1 1000").arg(textType)),
            QString("error org.freedesktop.DBus.Error.InvalidArgs"));
    }

    void aStalledOwnerHoldsUpNeitherTheShellNorTheNextRead()
    {
        QProcess stalled;
        m_contents << "stalled-owner-5d2b";
        stalled.start("wl-copy", {"--foreground", "--type", textType, "stalled-owner-5d2b"});
        const QString changed = m_client.waitForSignal("changed ");
        QVERIFY(!changed.isEmpty());
        ::kill(pid_t(stalled.processId()), SIGSTOP);

        m_client.send(QStringLiteral("read clipboard %1 %2 1000").arg(serialOf(changed)).arg(textType));
        QCOMPARE(m_client.waitForSignal("started "), "started " + textType);
        // While that transfer waits, the Shell goes on answering and serving other programs.
        QCOMPARE(callAsStranger("FocusedWindow", {}), notAllowed);
        QProcess other;
        other.start("wl-copy", {"--type", "text/plain", "after-the-stall"});
        QVERIFY(other.waitForFinished(10000));
        QCOMPARE(wlPaste({"--no-newline", "--type", "text/plain"}), QByteArray("after-the-stall"));
        // The stalled transfer ended at the extension's deadline, its pipe closed with nothing in it.
        QCOMPARE(m_client.answer(), QString("ok "));

        const QString next = m_client.waitForSignal("changed ");
        QVERIFY2(typesOf(next).contains("text/plain"), qPrintable(next));
        QCOMPARE(m_client.command(QStringLiteral("read clipboard %1 text/plain 1000").arg(serialOf(next))),
            "ok " + hex("after-the-stall"));
        ::kill(pid_t(stalled.processId()), SIGCONT);
        QVERIFY(stalled.waitForFinished(5000));
    }

    void theClientsOwnCopyIsAnnouncedAsOwnAndPastes()
    {
        const QByteArray text = "set by the client marker-21c4";
        const QByteArray html = "<b>rich marker-88e0</b>";
        m_contents << QString::fromUtf8(text) << QString::fromUtf8(html);
        const QString set
            = m_client.command(QStringLiteral("set clipboard text/plain=%1 text/html=%2").arg(hex(text), hex(html)));
        QVERIFY2(set.startsWith("ok "), qPrintable(set));
        const QString changed = m_client.waitForSignal("changed ");
        QCOMPARE(changed, QStringLiteral("changed %1 true text/plain").arg(set.mid(3)));
        QCOMPARE(wlPaste({"--list-types"}), QByteArray("text/plain\n"));
        QCOMPARE(wlPaste({"--no-newline", "--type", "text/plain"}), text);
        QCOMPARE(
            m_client.command(QStringLiteral("read clipboard %1 text/plain 1000").arg(set.mid(3))), "ok " + hex(text));

        // Another program's copy after it is not the client's.
        QVERIFY(copied("text/plain", "another program's marker-4b09").contains(" false "));

        QCOMPARE(m_client.command(QStringLiteral("set primary text/plain=%1").arg(hex("primary marker-e61d"))),
            QString("ok 0"));
        m_contents << "primary marker-e61d";
        QCOMPARE(m_client.command("set clipboard text/plain=00 text/plain=00"),
            QString("error org.freedesktop.DBus.Error.InvalidArgs"));
    }

    void pasteChordsTypeOncePerShowingOfThePanel()
    {
        WaylandBed &bed = WaylandBed::current();
        PasteTarget editor(PasteTarget::Program::GtkEditor);
        QVERIFY(editor.start());
        QVERIFY(bed.focusWindow(editor.name()));

        const QStringList focused = m_client.command("focused").mid(3).split(u'\t');
        QCOMPARE(focused.size(), 5);
        QCOMPARE(focused[2], editor.appId());
        QVERIFY(focused[0].toULongLong() != 0);
        QVERIFY(focused[3].toLongLong() > 0);
        // The editor has no desktop entry: no app id, and no name, which the Shell would make of its title.
        QCOMPARE(focused[1], QString());
        QCOMPARE(focused[4], QString());

        const QByteArray text = "pasted once marker-0d57";
        m_contents << QString::fromUtf8(text);
        QVERIFY(m_client.command(QStringLiteral("set clipboard %1=%2").arg(textType, hex(text))).startsWith("ok "));
        QVERIFY(m_client.waitForSignal("changed ").contains(" true "));
        QCOMPARE(m_client.command("type paste"), QString("ok false"));

        QCOMPARE(m_client.command("panel"), QString("shown"));
        QCOMPARE(m_client.command("activate-panel"), QString("ok true"));
        QVERIFY(focusedTitle("Quillbox"));
        QCOMPARE(m_client.command("hide-panel"), QString("hidden"));
        QCOMPARE(m_client.command("type paste"), QString("ok true"));
        QTRY_COMPARE_WITH_TIMEOUT(editor.received(), text, 5000);
        QCOMPARE(m_client.command("type paste"), QString("ok false"));
        QCOMPARE(m_client.command("type anything"), QString("ok false"));

        // Activation by id, as Quillbox goes back to the window a copy came from.
        QCOMPARE(m_client.command("panel"), QString("shown"));
        QCOMPARE(m_client.command("activate-panel"), QString("ok true"));
        QVERIFY(focusedTitle("Quillbox"));
        QCOMPARE(m_client.command("activate-window " + focused[0]), QString("ok true"));
        QVERIFY(focusedTitle(editor.name()));
        QCOMPARE(m_client.command("activate-window 987654321"), QString("ok false"));
        QCOMPARE(m_client.command("hide-panel"), QString("hidden"));
        // The paste that showing armed is still there, once.
        QCOMPARE(m_client.command("type shift-insert"), QString("ok true"));
        QTRY_COMPARE_WITH_TIMEOUT(editor.received(), text + text, 5000);
        QTest::qWait(300);
        QCOMPARE(editor.received(), text + text);
    }

    void theFixShortcutReachesTheClientAndArmsOneCopy()
    {
        WaylandBed &bed = WaylandBed::current();
        // The Shell's own bindings keep theirs; names other than the two are nobody's.
        QCOMPARE(m_client.command("shortcut show-panel <Super>s"), QString("ok false"));
        QCOMPARE(m_client.command("shortcut paste-everything <Super><Shift>p"), QString("ok false"));
        // Asked before binding, as the settings window asks while recording: nothing is bound by it.
        QCOMPARE(m_client.command("shortcut-available <Super>s"), QString("ok false"));
        QCOMPARE(m_client.command("shortcut-available <Super><Shift>p"), QString("ok true"));
        QCOMPARE(m_client.command("shortcut fix-layout <Super><Shift>l"), QString("ok true"));

        PasteTarget editor(PasteTarget::Program::GtkEditor);
        QVERIFY(editor.start());
        QVERIFY(bed.focusWindow(editor.name()));
        for (const QString key : {"g", "h", "b", "d"})
            QVERIFY(bed.press(key));
        QTRY_COMPARE_WITH_TIMEOUT(editor.received(), QByteArray("ghbd"), 5000);
        QVERIFY(bed.press("ctrl+a"));
        m_contents << "ghbd";
        // What is selected is the primary selection while its window keeps the focus, and only then.
        const QString readPrimary = QStringLiteral("read primary 0 %1 100").arg(textType);
        QTRY_COMPARE_WITH_TIMEOUT(m_client.command(readPrimary), "ok " + hex("ghbd"), 5000);
        QCOMPARE(m_client.command("panel"), QString("shown"));
        QVERIFY(bed.focusWindow("Quillbox"));
        QCOMPARE(m_client.command(readPrimary), QString("error io.quillbox.Shell1.Error.NotAvailable"));
        QCOMPARE(m_client.command("hide-panel"), QString("hidden"));
        QVERIFY(bed.focusWindow(editor.name()));

        QCOMPARE(m_client.command("type copy"), QString("ok false"));
        // Asked for while the person still holds the shortcut, as Quillbox asks at once; typed once
        // Super and Shift are let go: Ctrl+Shift+Super+C would copy nothing.
        QDBusPendingCall held = static_cast<GnomeBed &>(bed).startPress("super+shift+l");
        QCOMPARE(m_client.waitForSignal("pressed "), QString("pressed fix-layout"));
        QCOMPARE(m_client.command("type copy"), QString("ok true"));
        held.waitForFinished();
        QVERIFY(!held.isError());
        const QString changed = m_client.waitForSignal("changed ");
        QVERIFY2(typesOf(changed).contains(textType), qPrintable(changed));
        QCOMPARE(m_client.command(QStringLiteral("read clipboard %1 %2 100").arg(serialOf(changed)).arg(textType)),
            "ok " + hex("ghbd"));
        QCOMPARE(m_client.command("type copy"), QString("ok false"));

        // Unbound, the keys reach the window again.
        QCOMPARE(m_client.command("shortcut fix-layout"), QString("ok true"));
        QVERIFY(bed.press("super+shift+l"));
        QVERIFY(m_client.waitForSignal("pressed ", 1000).isEmpty());
    }

    void disablingUndoesEverythingAndEnablingServesAnew()
    {
        QCOMPARE(m_client.command("shortcut fix-layout <Super><Shift>l"), QString("ok true"));
        const auto extensions = [](const QString &method) {
            QDBusMessage message = QDBusMessage::createMethodCall(
                "org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell.Extensions", method);
            message.setArguments({QStringLiteral("quillbox@quillbox.io")});
            const QDBusMessage reply = QDBusConnection::sessionBus().call(message, QDBus::Block, 10000);
            return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
        };
        QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
        QVERIFY(extensions("DisableExtension"));
        QTRY_VERIFY_WITH_TIMEOUT(!bus->isServiceRegistered(shellService), 5000);
        QVERIFY(extensions("EnableExtension"));
        QTRY_VERIFY_WITH_TIMEOUT(bus->isServiceRegistered(shellService), 5000);

        // A new registration; the binding the disabled extension had made is gone, or it would hold
        // the combination still.
        QCOMPARE(m_client.command("focused"), notAllowed);
        QCOMPARE(m_client.command("register 1"), QString("ok 1"));
        QCOMPARE(m_client.command("shortcut fix-layout <Super><Shift>l"), QString("ok true"));
        QVERIFY(WaylandBed::current().press("super+shift+l"));
        QCOMPARE(m_client.waitForSignal("pressed "), QString("pressed fix-layout"));
    }

    void noContentCrossesTheBus()
    {
        m_monitor.terminate();
        QVERIFY(m_monitor.waitForFinished(5000));
        const QString seen = QString::fromUtf8(m_monitor.readAllStandardOutput());
        // The monitor saw the traffic itself.
        for (const QString member : {"member=ReadSelection", "member=SetSelection", "member=ClipboardChanged"})
            QVERIFY2(seen.contains(member), qPrintable(member));
        for (const QString &content : std::as_const(m_contents))
            QVERIFY2(!seen.contains(content), qPrintable(content));
        // The extension's signals went to the client alone.
        for (const QString &line : seen.split(u'\n')) {
            if (line.contains("interface=io.quillbox.Shell1"))
                QVERIFY2(!line.contains("destination=(null destination)"), qPrintable(line));
        }
    }
};

QTEST_MAIN(TestGnomeShellExtension)
#include "test_gnome_shell_extension.moc"
