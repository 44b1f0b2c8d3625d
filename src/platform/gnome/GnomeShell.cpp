#include "GnomeShell.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>
#include <QTimer>

namespace {

Q_LOGGING_CATEGORY(lcShell, "quillbox.gnome", QtInfoMsg)

const QString errorPrefix = QStringLiteral("io.quillbox.Shell1.Error.");

} // namespace

GnomeShell::GnomeShell(QDBusConnection bus, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_watcher(serviceName, m_bus, QDBusServiceWatcher::WatchForOwnerChange)
    , m_instanceWatcher(QStringLiteral("io.quillbox.Quillbox"), m_bus, QDBusServiceWatcher::WatchForRegistration)
{
    // The extension sends its signals to its client alone; these match them by sender and path.
    m_bus.connect(serviceName, objectPath, interfaceName, QStringLiteral("ClipboardChanged"), this,
        SLOT(noteClipboardChanged(qulonglong, QStringList, bool)));
    m_bus.connect(serviceName, objectPath, interfaceName, QStringLiteral("ShortcutPressed"), this,
        SLOT(noteShortcutPressed(QString)));
    connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
        [this](const QString &, const QString &oldOwner, const QString &newOwner) {
            if (!oldOwner.isEmpty() && newOwner.isEmpty() && m_state == State::registered)
                qCWarning(lcShell).noquote() << "[Quillbox] Quillbox's GNOME Shell extension was switched off: "
                                                "copies are not captured and its shortcuts do nothing until it is "
                                                "on again";
            // A new owner is a new extension instance that knows nothing of us.
            setState(State::connecting);
            if (!newOwner.isEmpty())
                registerClient();
        });
    // The platform is built before the program claims its name: registering again once it holds it.
    connect(&m_instanceWatcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        setState(State::connecting);
        registerClient();
    });
    registerClient();
}

QDBusMessage GnomeShell::methodCall(const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(serviceName, objectPath, interfaceName, method);
    message.setArguments(arguments);
    return message;
}

void GnomeShell::registerClient()
{
    const quint64 registration = ++m_registration;
    auto *watcher = new QDBusPendingCallWatcher(
        m_bus.asyncCall(methodCall(QStringLiteral("Register"), {interfaceVersion}), callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, registration](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        if (registration != m_registration)
            return; // the extension went away or came back since
        const QDBusPendingReply<uint> reply = *call;
        if (!reply.isError()) {
            m_problem.clear();
            qCInfo(lcShell) << "registered with Quillbox's GNOME Shell extension";
            setState(State::registered);
            return;
        }
        const QDBusError error = reply.error();
        if (error.type() == QDBusError::ServiceUnknown) {
            qCInfo(lcShell) << "waiting for Quillbox's GNOME Shell extension";
            return; // the watcher tells when it appears
        }
        if (error.name() == errorPrefix + QStringLiteral("VersionMismatch")) {
            // An upgrade replaces the extension's files, but the Shell keeps running the one it loaded.
            m_problem = QStringLiteral("The Quillbox extension GNOME Shell is running does not match this "
                                       "Quillbox (%1). Log out and back in to load the extension installed "
                                       "with it; until then copies are not captured.")
                            .arg(error.message());
        } else if (error.name() == errorPrefix + QStringLiteral("NotAllowed")) {
            m_problem = QStringLiteral("The Quillbox extension of GNOME Shell serves only the installed "
                                       "Quillbox, not this program (%1).")
                            .arg(error.message());
        } else {
            m_problem = QStringLiteral("The Quillbox extension of GNOME Shell did not answer: %1").arg(error.message());
        }
        qCWarning(lcShell).noquote() << "[Quillbox]" << m_problem;
        setState(State::refused);
    });
}

void GnomeShell::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    if (state != State::registered)
        m_focused = {};
    emit stateChanged(state);
}

void GnomeShell::call(const QString &method, const QVariantList &arguments, QObject *context, Reply done)
{
    if (!isRegistered()) {
        const QDBusMessage refusal = methodCall(method).createErrorReply(
            errorPrefix + QStringLiteral("NotAllowed"), QStringLiteral("not registered with the extension"));
        QTimer::singleShot(0, context, [refusal, done = std::move(done)] { done(refusal); });
        return;
    }
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(methodCall(method, arguments), callTimeoutMs), context);
    connect(
        watcher, &QDBusPendingCallWatcher::finished, context, [done = std::move(done)](QDBusPendingCallWatcher *call) {
            call->deleteLater();
            done(call->reply());
        });
}

void GnomeShell::refreshFocus(QObject *context, std::function<void()> done)
{
    call(QStringLiteral("FocusedWindow"), {}, context, [this, done = std::move(done)](const QDBusMessage &reply) {
        const QVariantList values = reply.arguments();
        if (reply.type() == QDBusMessage::ReplyMessage && values.size() == 5) {
            m_focused = {values.at(0).toULongLong(), values.at(1).toString(), values.at(2).toString(),
                values.at(3).toLongLong(), values.at(4).toString()};
        }
        if (done)
            done();
    });
}

void GnomeShell::noteClipboardChanged(qulonglong serial, const QStringList &mimeTypes, bool own)
{
    // The copy's program is the one focused now; our own writes need no asking.
    deliver(!own, [this, serial, mimeTypes, own] { emit clipboardChanged(serial, mimeTypes, own); });
}

void GnomeShell::noteShortcutPressed(const QString &name)
{
    deliver(true, [this, name] { emit shortcutPressed(name); });
}

void GnomeShell::deliver(bool askFocus, std::function<void()> emitNews)
{
    const quint64 id = m_nextDelivery++;
    m_deliveries.emplace(id, Delivery{!askFocus, std::move(emitNews)});
    if (askFocus) {
        refreshFocus(this, [this, id] {
            if (const auto delivery = m_deliveries.find(id); delivery != m_deliveries.end())
                delivery->second.ready = true;
            flushDeliveries();
        });
    } else {
        flushDeliveries();
    }
}

void GnomeShell::flushDeliveries()
{
    while (!m_deliveries.empty() && m_deliveries.begin()->second.ready) {
        const std::function<void()> emitNews = std::move(m_deliveries.begin()->second.emitNews);
        m_deliveries.erase(m_deliveries.begin());
        emitNews();
    }
}
