#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>

/// Quillbox's GNOME Shell extension on the session bus, the one way to the clipboard, the keys and the
/// windows under GNOME on Wayland: every GNOME part talks through this connection.
///
/// It registers this program as the extension's client, and registers again whenever the extension's
/// name appears anew (the Shell restarted, the extension was switched off and on). A registration the
/// extension refuses is said once in the log, in words the person can act on. GUI thread only; every
/// call is asynchronous.
class GnomeShell : public QObject {
    Q_OBJECT
public:
    static constexpr uint interfaceVersion = 1;
    static inline const QString serviceName = QStringLiteral("io.quillbox.Shell");
    static inline const QString objectPath = QStringLiteral("/io/quillbox/Shell");
    static inline const QString interfaceName = QStringLiteral("io.quillbox.Shell1");
    /// How long a call may go unanswered before it counts as failed.
    static constexpr int callTimeoutMs = 5000;

    enum class State {
        connecting, ///< the extension's name is not on the bus yet, or Register is under way
        registered, ///< this program is the client
        refused, ///< the extension answered Register with an error; problem() says what to do
    };
    Q_ENUM(State)

    /// The window with the keyboard focus, as the Shell told it last.
    struct FocusedWindow {
        quint64 id = 0; ///< 0 when no window has the focus
        QString appId; ///< the desktop-entry id without ".desktop"; empty when unknown
        QString wmClass;
        qint64 pid = -1;
        QString appName;
    };

    /// Starts registering at once over `bus`.
    explicit GnomeShell(QDBusConnection bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);

    State state() const { return m_state; }
    bool isRegistered() const { return m_state == State::registered; }
    /// Why the extension does not serve this program, in words for the person; empty while it does.
    QString problem() const { return m_problem; }
    QDBusConnection bus() const { return m_bus; }
    const FocusedWindow &focusedWindow() const { return m_focused; }

    /// A call of `method` to the extension, for callers that send it themselves (from another thread).
    static QDBusMessage methodCall(const QString &method, const QVariantList &arguments = {});

    using Reply = std::function<void(const QDBusMessage &reply)>;
    /// Calls `method` on the extension; `done` runs later on this thread with its reply or error (also
    /// when this program is not the client), unless `context` has gone by then.
    void call(const QString &method, const QVariantList &arguments, QObject *context, Reply done);
    /// Asks the Shell for the focused window; `done` runs once focusedWindow() holds its answer (or the
    /// question failed, and it holds the one before).
    void refreshFocus(QObject *context, std::function<void()> done);

signals:
    void stateChanged(GnomeShell::State state);
    /// The clipboard changed (see the interface); the focused window has been asked for first, so the
    /// copy's program is known.
    void clipboardChanged(quint64 serial, const QStringList &mimeTypes, bool own);
    /// A shortcut bound through the extension was pressed; focusedWindow() is the window it was
    /// pressed in.
    void shortcutPressed(const QString &name);

private slots:
    void noteClipboardChanged(qulonglong serial, const QStringList &mimeTypes, bool own);
    void noteShortcutPressed(const QString &name);

private:
    void registerClient();
    void setState(State state);
    /// Emits the Shell's news in the order it came, each once the focus asked for with it is known.
    void deliver(bool askFocus, std::function<void()> emitNews);
    void flushDeliveries();

    QDBusConnection m_bus;
    QDBusServiceWatcher m_watcher;
    /// Quillbox's own name: the extension serves only the process that holds it, and ends a
    /// registration whenever its owner changes.
    QDBusServiceWatcher m_instanceWatcher;
    State m_state = State::connecting;
    QString m_problem;
    quint64 m_registration = 0;
    FocusedWindow m_focused;

    struct Delivery {
        bool ready = false;
        std::function<void()> emitNews;
    };
    std::map<quint64, Delivery> m_deliveries;
    quint64 m_nextDelivery = 0;
};
