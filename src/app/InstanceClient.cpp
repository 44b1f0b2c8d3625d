#include "InstanceClient.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusPendingCallWatcher>
#include <QDBusUnixFileDescriptor>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

const QString serviceName = QStringLiteral("io.quillbox.Quillbox");
const QString objectPath = QStringLiteral("/io/quillbox/Quillbox");
// The first call may start the program through D-Bus activation, which takes a few seconds on a
// loaded machine; a text of 256 MB takes as long again to read and count.
constexpr int callTimeoutMs = 20000;
constexpr int largeTextTimeoutMs = 60000;

QDBusMessage callWithin(int timeoutMs, const QString &method, const QVariantList &arguments, bool autoStart)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage message = QDBusMessage::createMethodCall(serviceName, objectPath, serviceName, method);
    message.setArguments(arguments);
    message.setAutoStartService(autoStart);
    QDBusPendingCallWatcher watcher(bus.asyncCall(message, timeoutMs));
    if (!watcher.isFinished()) {
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        // The bus ends the pending call itself at the timeout; this is for when it cannot any more.
        QTimer::singleShot(timeoutMs + 1000, &loop, &QEventLoop::quit);
        bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"),
            QStringLiteral("org.freedesktop.DBus.Local"), QStringLiteral("Disconnected"), &loop, SLOT(quit()));
        loop.exec();
    }
    if (watcher.isFinished())
        return watcher.reply();
    return bus.isConnected() ? QDBusMessage::createError(
               QDBusError::NoReply, QStringLiteral("Quillbox did not answer within %1 s").arg(timeoutMs / 1000))
                             : QDBusMessage::createError(QDBusError::Disconnected,
                                 QStringLiteral("the session bus ended the connection before Quillbox answered"));
}

// The text in an anonymous file sealed against change, for the running instance to read.
std::optional<QDBusUnixFileDescriptor> sealedFile(const QByteArray &bytes, QString *error)
{
    const int fd = ::memfd_create("quillbox-add", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return std::nullopt;
    }
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t count = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (count < 0 && errno != EINTR) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            return std::nullopt;
        }
        written += std::max<ssize_t>(count, 0);
    }
    // Read from the start: the instance's copy of the descriptor shares this offset.
    ::lseek(fd, 0, SEEK_SET);
    ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    QDBusUnixFileDescriptor file(fd);
    ::close(fd);
    return file;
}

} // namespace

QDBusMessage InstanceClient::call(const QString &method, const QVariantList &arguments, bool autoStart)
{
    return callWithin(callTimeoutMs, method, arguments, autoStart);
}

QDBusMessage InstanceClient::add(const QByteArray &utf8)
{
    // A D-Bus string is decoded on arrival by a rule that drops a leading U+FEFF: such a text goes as
    // bytes, which the instance decodes character for character.
    if (utf8.size() <= maxInlineTextBytes && !utf8.startsWith("\xEF\xBB\xBF"))
        return call(QStringLiteral("Add"), {QString::fromUtf8(utf8)}, true);
    if (!QDBusConnection::sessionBus().connectionCapabilities().testFlag(QDBusConnection::UnixFileDescriptorPassing)) {
        return QDBusMessage::createError(QDBusError::NotSupported,
            QStringLiteral("this session bus cannot pass files, and a text over %1 MB travels as one")
                .arg(maxInlineTextBytes >> 20));
    }
    QString error;
    const auto file = sealedFile(utf8, &error);
    if (!file)
        return QDBusMessage::createError(QDBusError::Failed, QStringLiteral("cannot hold the text (%1)").arg(error));
    return callWithin(largeTextTimeoutMs, QStringLiteral("AddFromFd"), {QVariant::fromValue(*file)}, true);
}

bool InstanceClient::isNotRunning(const QDBusMessage &reply)
{
    return reply.type() == QDBusMessage::ErrorMessage
        && (reply.errorName() == QDBusError::errorString(QDBusError::ServiceUnknown)
            || reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"));
}
