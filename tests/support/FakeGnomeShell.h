#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

#include <fcntl.h>
#include <unistd.h>

/// Quillbox's GNOME Shell extension as far as its bus interface goes, to be served from a
/// BusServiceThread on a private bus: a clipboard of `content` under `serial`, whose formats in
/// `stalled` are never written and whose others are written whole whatever max_bytes says (an owner
/// that sends without end); shortcuts refused where `taken`; chords and activations recorded.
class FakeGnomeShell : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.quillbox.Shell1")
public:
    bool serveOn(QDBusConnection bus)
    {
        bus.registerObject("/io/quillbox/Shell", this, QDBusConnection::ExportAllSlots);
        return bus.registerService("io.quillbox.Shell");
    }

    /// Announces a change of another program's to the client.
    void announce(const QStringList &mimeTypes, bool own = false)
    {
        QDBusMessage signal = QDBusMessage::createTargetedSignal(
            client, "/io/quillbox/Shell", "io.quillbox.Shell1", "ClipboardChanged");
        signal << QVariant::fromValue<qulonglong>(++serial) << mimeTypes << own;
        QDBusConnection(connectionName).send(signal);
    }
    void press(const QString &name)
    {
        QDBusMessage signal
            = QDBusMessage::createTargetedSignal(client, "/io/quillbox/Shell", "io.quillbox.Shell1", "ShortcutPressed");
        signal << name;
        QDBusConnection(connectionName).send(signal);
    }

    QString connectionName;
    uint version = 1;
    QString client;
    int registrations = 0;
    quint64 serial = 0;
    QHash<QString, QByteArray> content;
    QStringList stalled;
    QStringList requested;
    QString primaryText;
    QList<QDBusUnixFileDescriptor> held;
    QString selectionSet;
    QHash<QString, QByteArray> written;
    QHash<QString, QString> shortcuts;
    QString taken;
    QStringList chords;
    int panelActivations = 0;
    quint64 focusedId = 0;
    QString focusedAppId;
    QString focusedWmClass;
    QList<quint64> activated;

public slots:
    uint Register(uint clientVersion)
    {
        if (clientVersion != version) {
            sendErrorReply("io.quillbox.Shell1.Error.VersionMismatch",
                QStringLiteral("the extension speaks version %1, the client %2").arg(version).arg(clientVersion));
            return 0;
        }
        client = message().service();
        ++registrations;
        return version;
    }
    qulonglong CurrentClipboard(QStringList &mimeTypes)
    {
        mimeTypes = content.keys();
        return serial;
    }
    void ReadSelection(const QString &selection, qulonglong readSerial, const QString &mimeType, qulonglong,
        const QDBusUnixFileDescriptor &pipe)
    {
        if (selection == "clipboard" && readSerial != serial) {
            sendErrorReply("io.quillbox.Shell1.Error.StaleSerial", "a newer change came");
            return;
        }
        requested << mimeType;
        if (stalled.contains(mimeType)) {
            held << pipe;
            return;
        }
        // Answered first, as the extension does once the transfer has begun.
        setDelayedReply(true);
        connection().send(message().createReply());
        const QByteArray data = selection == "primary" ? primaryText.toUtf8() : content.value(mimeType);
        const int fd = ::dup(pipe.fileDescriptor());
        ::fcntl(fd, F_SETFL, 0);
        for (qsizetype done = 0; done < data.size();) {
            const ssize_t count = ::write(fd, data.constData() + done, size_t(data.size() - done));
            if (count <= 0)
                break; // the reader gave up
            done += count;
        }
        ::close(fd);
    }
    qulonglong SetSelection(
        const QString &selection, const QStringList &mimeTypes, const QList<QDBusUnixFileDescriptor> &contents)
    {
        selectionSet = selection;
        written.clear();
        for (qsizetype i = 0; i < mimeTypes.size() && i < contents.size(); ++i) {
            const int fd = ::dup(contents.at(i).fileDescriptor());
            ::fcntl(fd, F_SETFL, 0);
            QByteArray data;
            char buffer[65536];
            for (ssize_t count; (count = ::read(fd, buffer, sizeof buffer)) > 0;)
                data.append(buffer, count);
            ::close(fd);
            written.insert(mimeTypes.at(i), data);
        }
        if (selection != "clipboard")
            return 0;
        announce(mimeTypes, true);
        return serial;
    }
    qulonglong FocusedWindow(QString &appId, QString &wmClass, qlonglong &pid, QString &appName)
    {
        appId = focusedAppId;
        wmClass = focusedWmClass;
        pid = focusedId ? 4242 : -1;
        appName = focusedAppId;
        return focusedId;
    }
    bool ActivateWindow(qulonglong windowId)
    {
        activated << windowId;
        return true;
    }
    bool ActivatePanel()
    {
        ++panelActivations;
        return true;
    }
    bool TypeChord(const QString &chord)
    {
        chords << chord;
        return QStringList{"paste", "terminal-paste", "shift-insert", "copy"}.contains(chord);
    }
    bool ShortcutAvailable(const QString &accelerator) { return accelerator != taken; }

    bool SetShortcut(const QString &name, const QString &accelerator)
    {
        if (!accelerator.isEmpty() && accelerator == taken)
            return false;
        shortcuts.insert(name, accelerator);
        return true;
    }
};
