// shell-client: a client of Quillbox's GNOME Shell extension (io.quillbox.Shell1) that a test drives a
// line at a time on standard input, as the Quillbox program would use the interface. Each command
// answers one line, "ok ..." or "error NAME"; the extension's signals print as they arrive:
//   own | release                         take or give up io.quillbox.Quillbox ("owned", "released")
//   register VERSION                      ok INTERFACE-VERSION
//   properties                            ok INTERFACE-VERSION EXTENSION-VERSION
//   read SELECTION SERIAL TYPE MAX        ok HEX (what came through the pipe until it was closed)
//                                         error pipe-left-open (not closed within 15 s)
//   set SELECTION TYPE=HEX...             ok SERIAL
//   current                               ok SERIAL TYPE,TYPE...
//   focused                               ok ID<tab>APP-ID<tab>WM-CLASS<tab>PID<tab>APP-NAME
//   activate-window ID | activate-panel | type CHORD | shortcut NAME [ACCELERATOR]
//   | shortcut-available ACCELERATOR    ok true|false
//   panel | hide-panel                    show or hide a window titled "Quillbox" ("shown", "hidden")
//   signals: "changed SERIAL OWN TYPE,TYPE..." and "pressed NAME"; "started TYPE" once a read's
//   transfer has begun, before its pipe is read
// Content goes through pipes only, as the interface wants: never on the bus.
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusUnixFileDescriptor>
#include <QDeadlineTimer>
#include <QLabel>
#include <QSocketNotifier>
#include <QTest>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <unistd.h>

namespace {

const QString service = QStringLiteral("io.quillbox.Shell");
const QString path = QStringLiteral("/io/quillbox/Shell");
const QString interface = QStringLiteral("io.quillbox.Shell1");
// Longer than the extension's transfer deadline: a stalled owner's pipe is closed before this.
constexpr int pipeDeadlineMs = 15000;

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

QString answer(const QDBusMessage &reply, QChar separator = u' ')
{
    if (reply.type() == QDBusMessage::ErrorMessage)
        return "error " + reply.errorName();
    QStringList values;
    for (const QVariant &value : reply.arguments()) {
        if (value.typeId() == QMetaType::Bool)
            values << (value.toBool() ? "true" : "false");
        else if (value.typeId() == QMetaType::QStringList)
            values << value.toStringList().join(u',');
        else
            values << value.toString();
    }
    return "ok " + values.join(separator);
}

// Everything written to `fd` until its last writer closes it; nothing when that did not happen in time.
std::optional<QByteArray> readToEnd(int fd)
{
    QByteArray data;
    const QDeadlineTimer deadline(pipeDeadlineMs);
    pollfd poller{fd, POLLIN, 0};
    while (poll(&poller, 1, int(deadline.remainingTime())) > 0) {
        char chunk[65536];
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got == 0)
            return data;
        if (got < 0)
            break;
        data.append(chunk, got);
    }
    return std::nullopt;
}

bool writeAll(int fd, const QByteArray &data)
{
    for (qsizetype done = 0; done < data.size();) {
        const ssize_t wrote = write(fd, data.constData() + done, size_t(data.size() - done));
        if (wrote < 0 && errno != EINTR)
            return false;
        done += std::max<ssize_t>(wrote, 0);
    }
    return true;
}

class ShellClient : public QObject {
    Q_OBJECT
public:
    ShellClient()
        : m_bus(QDBusConnection::sessionBus())
        , m_input(STDIN_FILENO, QSocketNotifier::Read)
    {
        m_panel.setWindowTitle(QStringLiteral("Quillbox"));
        m_panel.resize(300, 60);
        m_bus.connect(
            service, path, interface, "ClipboardChanged", this, SLOT(clipboardChanged(qulonglong, QStringList, bool)));
        m_bus.connect(service, path, interface, "ShortcutPressed", this, SLOT(shortcutPressed(QString)));
        connect(&m_input, &QSocketNotifier::activated, this, &ShellClient::readCommand);
    }

private slots:
    void clipboardChanged(qulonglong serial, const QStringList &types, bool own)
    {
        say(QStringLiteral("changed %1 %2 %3").arg(serial).arg(own ? "true" : "false", types.join(u',')));
    }

    void shortcutPressed(const QString &name) { say("pressed " + name); }

private:
    QDBusMessage call(const QString &method, const QVariantList &arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        return m_bus.call(message, QDBus::BlockWithGui, 10000);
    }

    void readCommand()
    {
        static char line[1 << 21];
        if (!std::fgets(line, sizeof line, stdin)) {
            QCoreApplication::quit();
            return;
        }
        const QStringList words = QString::fromUtf8(line).trimmed().split(u' ', Qt::SkipEmptyParts);
        if (!words.isEmpty())
            say(run(words.first(), words.mid(1)));
    }

    QString run(const QString &command, const QStringList &arguments)
    {
        const QString first = arguments.value(0);
        if (command == "own")
            return m_bus.registerService("io.quillbox.Quillbox") ? "owned" : "not-owned";
        if (command == "release")
            return m_bus.unregisterService("io.quillbox.Quillbox") ? "released" : "not-released";
        if (command == "register")
            return answer(call("Register", {first.toUInt()}));
        if (command == "properties")
            return properties();
        if (command == "read")
            return readSelection(arguments);
        if (command == "set")
            return setSelection(arguments);
        if (command == "current")
            return answer(call("CurrentClipboard", {}), u' ');
        if (command == "focused")
            return answer(call("FocusedWindow", {}), u'\t');
        if (command == "activate-window")
            return answer(call("ActivateWindow", {first.toULongLong()}));
        if (command == "activate-panel")
            return answer(call("ActivatePanel", {}));
        if (command == "type")
            return answer(call("TypeChord", {first}));
        if (command == "shortcut")
            return answer(call("SetShortcut", {first, arguments.value(1)}));
        if (command == "shortcut-available")
            return answer(call("ShortcutAvailable", {first}));
        if (command == "panel") {
            m_panel.show();
            return QTest::qWaitForWindowExposed(&m_panel) ? "shown" : "not-shown";
        }
        if (command == "hide-panel") {
            m_panel.hide();
            return "hidden";
        }
        return "error unknown-command";
    }

    QString properties()
    {
        QStringList values;
        for (const char *name : {"InterfaceVersion", "ExtensionVersion"}) {
            QDBusMessage message
                = QDBusMessage::createMethodCall(service, path, "org.freedesktop.DBus.Properties", "Get");
            message.setArguments({interface, QString::fromLatin1(name)});
            const QDBusMessage reply = m_bus.call(message);
            if (reply.type() == QDBusMessage::ErrorMessage)
                return "error " + reply.errorName();
            values << reply.arguments().constFirst().value<QDBusVariant>().variant().toString();
        }
        return "ok " + values.join(u' ');
    }

    QString readSelection(const QStringList &arguments)
    {
        int ends[2];
        if (arguments.size() != 4 || pipe2(ends, O_CLOEXEC) != 0)
            return "error usage";
        const QDBusMessage reply = [&] {
            const QDBusUnixFileDescriptor writeEnd(ends[1]);
            close(ends[1]);
            return call("ReadSelection",
                {arguments[0], arguments[1].toULongLong(), arguments[2], arguments[3].toULongLong(),
                    QVariant::fromValue(writeEnd)});
        }();
        if (reply.type() == QDBusMessage::ErrorMessage) {
            close(ends[0]);
            return answer(reply);
        }
        say("started " + arguments[2]);
        const std::optional<QByteArray> data = readToEnd(ends[0]);
        close(ends[0]);
        return data ? "ok " + QString::fromLatin1(data->toHex()) : "error pipe-left-open";
    }

    // The pipes are written while the call waits, as the extension reads them before it answers.
    QString setSelection(const QStringList &arguments)
    {
        QStringList types;
        QList<QByteArray> contents;
        QList<QDBusUnixFileDescriptor> readEnds;
        QList<int> writeEnds;
        for (const QString &argument : arguments.mid(1)) {
            int ends[2];
            if (pipe2(ends, O_CLOEXEC) != 0)
                return "error pipe";
            // The type may hold a "=" itself (charset=utf-8); the content is hex.
            types << argument.section(u'=', 0, -2);
            contents << QByteArray::fromHex(argument.section(u'=', -1).toLatin1());
            readEnds << QDBusUnixFileDescriptor(ends[0]);
            close(ends[0]);
            writeEnds << ends[1];
        }
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, "SetSelection");
        message.setArguments({arguments.value(0), types, QVariant::fromValue(readEnds)});
        QDBusPendingCall pending = m_bus.asyncCall(message, 10000);
        readEnds.clear();
        bool written = true;
        for (qsizetype i = 0; i < writeEnds.size(); ++i) {
            written = writeAll(writeEnds[i], contents[i]) && written;
            close(writeEnds[i]);
        }
        pending.waitForFinished();
        return written ? answer(pending.reply()) : "error write";
    }

    QDBusConnection m_bus;
    QSocketNotifier m_input;
    QLabel m_panel;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    qDBusRegisterMetaType<QList<QDBusUnixFileDescriptor>>();
    ShellClient client;
    say("ready");
    return app.exec();
}

#include "shell-client.moc"
