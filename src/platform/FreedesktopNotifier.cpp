#include "FreedesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>
#include <QVariantMap>

Q_LOGGING_CATEGORY(lcNotifier, "quillbox.notifications")

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString objectPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr int callTimeoutMs = 5000;
// Urgency "critical": the message stays until dismissed.
constexpr uchar critical = 2;

QDBusMessage call(const QString &method)
{
    return QDBusMessage::createMethodCall(service, objectPath, service, method);
}

// Runs `done` with the finished call once the reply (or its timeout) comes back.
template <class Done> void whenFinished(QObject *context, const QDBusPendingCall &pending, Done done)
{
    auto *watcher = new QDBusPendingCallWatcher(pending, context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [watcher, done] {
        watcher->deleteLater();
        done(*watcher);
    });
}

} // namespace

FreedesktopNotifier::FreedesktopNotifier(QObject *parent)
    : QObject(parent)
{
}

void FreedesktopNotifier::notifyProblem(const QString &summary, const QString &body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCWarning(lcNotifier) << "no session bus; not shown:" << summary;
        return;
    }
    // Servers that understand markup would read a file name such as "a<b>.sqlite" as markup: the
    // body is escaped for them, and only for them.
    whenFinished(this, bus.asyncCall(call(QStringLiteral("GetCapabilities")), callTimeoutMs),
        [this, summary, body](const QDBusPendingCall &finished) {
            const QDBusPendingReply<QStringList> capabilities = finished;
            if (capabilities.isError()) {
                qCWarning(lcNotifier).noquote()
                    << "no notification server (" + capabilities.error().message() + "); not shown:" << summary;
                return;
            }
            send(summary, body, capabilities.value().contains(QStringLiteral("body-markup")));
        });
}

void FreedesktopNotifier::send(const QString &summary, const QString &body, bool bodyIsMarkup)
{
    QDBusMessage notify = call(QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(critical)},
        {QStringLiteral("desktop-entry"), QStringLiteral("io.quillbox.Quillbox")}};
    notify << QStringLiteral("Quillbox") << uint(0) << QStringLiteral("dialog-error") << summary
           << (bodyIsMarkup ? body.toHtmlEscaped() : body) << QStringList() << hints << qint32(-1);
    whenFinished(this, QDBusConnection::sessionBus().asyncCall(notify, callTimeoutMs),
        [summary](const QDBusPendingCall &finished) {
            if (finished.isError())
                qCWarning(lcNotifier).noquote()
                    << "the notification was refused (" + finished.error().message() + "); not shown:" << summary;
        });
}
