#include "GnomeBed.h"

#include "KeyChord.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDebug>

namespace {

const QString service = QStringLiteral("io.quillbox.TestBed");
const QString path = QStringLiteral("/io/quillbox/TestBed");
// A press holds the key about 100 ms and a layout change waits for the Shell to apply it.
constexpr int callTimeoutMs = 5000;

bool firstBool(const QDBusMessage &reply)
{
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().constFirst().toBool();
}

} // namespace

QString GnomeBed::name() const
{
    return QStringLiteral("gnome");
}

QDBusMessage GnomeBed::call(const QString &method, const QVariantList &arguments, const QString &replySignature)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, service, method);
    message.setArguments(arguments);
    // The test's own windows go on being drawn meanwhile: a window waiting for its first frame is not
    // shown, and the Shell will not focus it.
    QDBusMessage reply = QDBusConnection::sessionBus().call(message, QDBus::BlockWithGui, callTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage && reply.signature() != replySignature)
        reply = message.createErrorReply(QDBusError::InvalidSignature,
            QStringLiteral("%1 answered (%2), not (%3)").arg(method, reply.signature(), replySignature));
    if (reply.type() != QDBusMessage::ReplyMessage)
        qWarning().noquote() << "GNOME test bed:" << method << "failed:" << reply.errorMessage();
    return reply;
}

QList<WaylandBed::Window> GnomeBed::windows()
{
    const QDBusMessage reply = call(QStringLiteral("Windows"), {}, QStringLiteral("a(ssbiiii)"));
    QList<Window> result;
    if (reply.type() != QDBusMessage::ReplyMessage)
        return result;
    const auto list = reply.arguments().constFirst().value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        Window window;
        int x = 0, y = 0, width = 0, height = 0;
        list.beginStructure();
        list >> window.appId >> window.title >> window.focused >> x >> y >> width >> height;
        list.endStructure();
        window.geometry = QRect(x, y, width, height);
        result.append(window);
    }
    list.endArray();
    return result;
}

bool GnomeBed::focusWindow(const QString &title)
{
    return firstBool(call(QStringLiteral("FocusWindow"), {title}, QStringLiteral("b")));
}

bool GnomeBed::setLayouts(const QStringList &layouts)
{
    return !layouts.isEmpty() && firstBool(call(QStringLiteral("SetLayouts"), {layouts}, QStringLiteral("b")));
}

std::optional<QDBusMessage> GnomeBed::pressMessage(const QString &chord)
{
    const std::optional<KeyChord> keys = KeyChord::parse(chord);
    if (!keys) {
        qWarning().noquote() << "GNOME test bed: no key types" << chord;
        return std::nullopt;
    }
    QDBusArgument modifiers;
    modifiers.beginArray(QMetaType::fromType<uint>());
    for (const unsigned modifier : keys->modifiers)
        modifiers << modifier;
    modifiers.endArray();
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, service, QStringLiteral("Press"));
    message.setArguments({QVariant::fromValue(modifiers), keys->key});
    return message;
}

bool GnomeBed::press(const QString &chord)
{
    const std::optional<QDBusMessage> message = pressMessage(chord);
    return message && call(message->member(), message->arguments(), QString()).type() == QDBusMessage::ReplyMessage;
}

QDBusPendingCall GnomeBed::startPress(const QString &chord)
{
    const std::optional<QDBusMessage> message = pressMessage(chord);
    if (!message)
        return QDBusPendingCall::fromError(QDBusError(QDBusError::InvalidArgs, "no keys make " + chord));
    return QDBusConnection::sessionBus().asyncCall(*message, callTimeoutMs);
}

bool GnomeBed::click(int x, int y)
{
    return call(QStringLiteral("Click"), {x, y}, QString()).type() == QDBusMessage::ReplyMessage;
}

bool GnomeBed::overviewVisible()
{
    return firstBool(call(QStringLiteral("OverviewVisible"), {}, QStringLiteral("b")));
}
