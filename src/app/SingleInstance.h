#pragma once

#include <QObject>
#include <QString>

/// One Quillbox per session: the first start owns the session-bus name io.quillbox.Quillbox and
/// serves the command object on /io/quillbox/Quillbox; a later start only asks it to toggle.
///
/// The first start serves on a bus connection of its own, kept reachable whatever clients send:
/// libdbus stops reading a connection while 63 MiB of received messages are still held, and Qt 6.4
/// cannot start it again from the thread that lets them go, so that pause is switched off. Should
/// the bus drop the connection, a new one is made and the name claimed again; when that keeps
/// failing, `lost` says so, rather than the program running on where nothing can reach it.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    /// `unanswered`: another instance holds the name but did not answer the toggle in time.
    enum class Role { primary, secondary, unanswered, noBus };

    /// `commands` (its scriptable slots) is what the first start serves; it must outlive this.
    explicit SingleInstance(QObject &commands, QObject *parent = nullptr);

    /// Claims the name with the commands exported first, so a call that was waiting for the name
    /// (D-Bus activation) finds them; or toggles the instance that holds it. With
    /// `preferActivation`, where the session bus can start Quillbox as a service and none runs, it
    /// is started that way and toggled (`secondary`): it then belongs to the session, not to
    /// whatever ran this command.
    Role claim(bool preferActivation = false);
    /// Gives the name up at the end. Calls that came in meanwhile are delivered first, and
    /// answered by the commands as they answer while quitting.
    void release();

signals:
    /// The bus dropped the connection and it could not be made again.
    void lost();

private slots:
    void disconnected();

private:
    /// Exports the commands and claims the name on a new connection; false when either fails.
    bool serve();
    void reconnect();

    QObject &m_commands;
    QString m_connectionName;
    int m_connections = 0;
    int m_reconnectAttempts = 0;
};
