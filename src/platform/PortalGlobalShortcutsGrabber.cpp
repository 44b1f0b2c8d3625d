#include "PortalGlobalShortcutsGrabber.h"

#include "services/KeyCombo.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcPortal, "quillbox.hotkeys", QtInfoMsg)

const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
const QString interface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
constexpr int availabilityTimeoutMs = 1000;

QString shortcutId(std::uint32_t id)
{
    return QStringLiteral("hotkey-%1").arg(id);
}

QString description(std::uint32_t id)
{
    return id == 1 ? QStringLiteral("Show the clipboard history") : QStringLiteral("Fix the keyboard layout");
}

} // namespace

QDBusArgument &operator<<(QDBusArgument &argument, const PortalGlobalShortcutsGrabber::Shortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalGlobalShortcutsGrabber::Shortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

PortalGlobalShortcutsGrabber::PortalGlobalShortcutsGrabber(QObject *parent)
    : HotkeyGrabber(parent)
{
    qDBusRegisterMetaType<Shortcut>();
    qDBusRegisterMetaType<QList<Shortcut>>();
    // The slot below is matched by its types, which QtDBus may not have registered yet.
    qRegisterMetaType<QDBusObjectPath>();
    QDBusConnection::sessionBus().connect(service, path, interface, QStringLiteral("Activated"), this,
        SLOT(noteActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

PortalGlobalShortcutsGrabber::~PortalGlobalShortcutsGrabber()
{
    closeSession();
}

bool PortalGlobalShortcutsGrabber::isServiceAvailable()
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << interface << QStringLiteral("version");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, availabilityTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

QString PortalGlobalShortcutsGrabber::trigger(std::uint32_t keycode, std::uint32_t modifiers)
{
    const std::optional<QChar> character = KeyCombo::characterOfXKeycode(keycode);
    if (!character)
        return {};
    QStringList parts;
    if (modifiers & KeyCombo::controlKey)
        parts << QStringLiteral("CTRL");
    if (modifiers & KeyCombo::optionKey)
        parts << QStringLiteral("ALT");
    if (modifiers & KeyCombo::shiftKey)
        parts << QStringLiteral("SHIFT");
    if (modifiers & KeyCombo::cmdKey)
        parts << QStringLiteral("LOGO");
    // Keys are named as xkb names their keysyms: lower-case letters.
    parts << character->toLower();
    return parts.join(u'+');
}

HotkeyGrabber::GrabResult PortalGlobalShortcutsGrabber::grab(
    std::uint32_t id, std::uint32_t keycode, std::uint32_t modifiers)
{
    const QString wanted = trigger(keycode, modifiers);
    if (wanted.isEmpty())
        return GrabResult::noSuchKey;
    m_triggers.insert(id, wanted);
    rebind();
    return GrabResult::ok;
}

void PortalGlobalShortcutsGrabber::ungrab(std::uint32_t id)
{
    if (m_triggers.remove(id))
        rebind();
}

void PortalGlobalShortcutsGrabber::rebind()
{
    if (m_step != Step::idle) {
        // The request under way finishes first; then the newest set is bound.
        m_changedMeanwhile = true;
        return;
    }
    closeSession();
    if (m_triggers.isEmpty())
        return;
    m_requested = m_triggers;
    const QString token = QStringLiteral("quillbox%1").arg(++m_nextToken);
    m_request = awaitResponse(token);
    QDBusMessage create = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("CreateSession"));
    create << QVariantMap{{QStringLiteral("handle_token"), token}, {QStringLiteral("session_handle_token"), token}};
    m_step = Step::creatingSession;
    send(create);
}

void PortalGlobalShortcutsGrabber::bind()
{
    QList<Shortcut> shortcuts;
    for (auto it = m_triggers.cbegin(); it != m_triggers.cend(); ++it) {
        shortcuts.append({shortcutId(it.key()),
            {{QStringLiteral("description"), description(it.key())},
                {QStringLiteral("preferred_trigger"), it.value()}}});
    }
    const QString token = QStringLiteral("quillbox%1").arg(++m_nextToken);
    m_request = awaitResponse(token);
    QDBusMessage request = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("BindShortcuts"));
    request << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(shortcuts) << QString()
            << QVariantMap{{QStringLiteral("handle_token"), token}};
    m_step = Step::binding;
    send(request);
}

void PortalGlobalShortcutsGrabber::closeSession()
{
    if (m_session.isEmpty())
        return;
    QDBusConnection::sessionBus().asyncCall(QDBusMessage::createMethodCall(
        service, m_session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close")));
    m_session.clear();
}

QString PortalGlobalShortcutsGrabber::awaitResponse(const QString &token)
{
    // The portal answers on a path made of our bus name and the token.
    const QString sender = QDBusConnection::sessionBus().baseService().mid(1).replace(u'.', u'_');
    const QString request = path + QStringLiteral("/request/") + sender + u'/' + token;
    QDBusConnection::sessionBus().connect(
        service, request, requestInterface, QStringLiteral("Response"), this, SLOT(noteResponse(uint, QVariantMap)));
    return request;
}

void PortalGlobalShortcutsGrabber::send(const QDBusMessage &request)
{
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(request), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        [this, awaited = m_request](QDBusPendingCallWatcher *finished) {
            finished->deleteLater();
            // Without the call no Response ever comes: answer for the portal, or the set stays unbound.
            if (finished->isError() && m_step != Step::idle && m_request == awaited) {
                qCWarning(lcPortal) << "the desktop portal failed the request:" << finished->error().message();
                noteResponse(2, {});
            }
        });
}

void PortalGlobalShortcutsGrabber::refuseRequested()
{
    for (auto it = m_requested.cbegin(); it != m_requested.cend(); ++it) {
        // One asked for again since, with another combination, waits for its own answer.
        if (m_triggers.value(it.key()) != it.value())
            continue;
        m_triggers.remove(it.key());
        emit grabAnswered(it.key(), GrabResult::unavailable);
    }
    m_requested.clear();
}

void PortalGlobalShortcutsGrabber::noteResponse(uint response, const QVariantMap &results)
{
    QDBusConnection::sessionBus().disconnect(
        service, m_request, requestInterface, QStringLiteral("Response"), this, SLOT(noteResponse(uint, QVariantMap)));
    const Step step = std::exchange(m_step, Step::idle);
    if (response != 0) {
        qCWarning(lcPortal) << "the desktop portal did not bind the global shortcuts (answer" << response << ")";
        refuseRequested();
    } else if (step == Step::creatingSession) {
        m_session = results.value(QStringLiteral("session_handle")).toString();
        if (!m_changedMeanwhile) {
            bind();
            return;
        }
    } else if (step == Step::binding) {
        qCInfo(lcPortal) << "the desktop portal bound" << m_triggers.size() << "global shortcuts";
    }
    if (std::exchange(m_changedMeanwhile, false))
        rebind();
}

void PortalGlobalShortcutsGrabber::noteActivated(
    const QDBusObjectPath &session, const QString &shortcut, qulonglong, const QVariantMap &)
{
    if (session.path() != m_session)
        return;
    for (auto it = m_triggers.cbegin(); it != m_triggers.cend(); ++it) {
        if (shortcutId(it.key()) == shortcut)
            emit pressed(it.key());
    }
}
