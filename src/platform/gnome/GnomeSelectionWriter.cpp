#include "GnomeSelectionWriter.h"

#include "GnomeShell.h"

#include <QDBusMetaType>
#include <QDBusUnixFileDescriptor>
#include <QLoggingCategory>
#include <QTimer>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

Q_LOGGING_CATEGORY(lcWriter, "quillbox.pasteboard", QtInfoMsg)

// A reader that closes its end early must not end this program: on the GUI thread SIGPIPE is held
// back around the write and, if it came, taken off again.
ssize_t writeWithoutSigpipe(int fd, const char *data, size_t size)
{
    sigset_t pipeSignal;
    sigset_t previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    const ssize_t count = ::write(fd, data, size);
    const int error = errno;
    if (count < 0 && error == EPIPE) {
        const timespec none = {};
        sigtimedwait(&pipeSignal, nullptr, &none);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return count;
}

} // namespace

GnomeSelectionWriter::GnomeSelectionWriter(GnomeShell &shell, QObject *parent)
    : QObject(parent)
    , m_shell(shell)
{
    qDBusRegisterMetaType<QList<QDBusUnixFileDescriptor>>();
}

GnomeSelectionWriter::~GnomeSelectionWriter()
{
    while (!m_outgoing.empty())
        finish(m_outgoing.begin()->first);
}

MimeFormats GnomeSelectionWriter::servedFormat(const MimeFormats &formats)
{
    const QString utf8Text = QStringLiteral("text/plain;charset=utf-8");
    for (const QString &format : {QStringLiteral("text/uri-list"), QStringLiteral("image/png"), utf8Text}) {
        if (formats.contains(format))
            return {{format, formats.value(format)}};
    }
    for (const QString &text : {QStringLiteral("text/plain"), QStringLiteral("UTF8_STRING")}) {
        if (formats.contains(text))
            return {{utf8Text, formats.value(text)}};
    }
    if (formats.isEmpty())
        return {};
    return {{formats.firstKey(), formats.first()}};
}

void GnomeSelectionWriter::write(
    const QString &selection, const MimeFormats &allFormats, std::function<void(std::optional<quint64>)> done)
{
    const MimeFormats formats = servedFormat(allFormats);
    QList<QDBusUnixFileDescriptor> readEnds;
    QList<quint64> ids;
    for (auto format = formats.cbegin(); format != formats.cend(); ++format) {
        int pipe[2];
        if (::pipe2(pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            qCWarning(lcWriter) << "cannot make a pipe:" << std::strerror(errno);
            for (const quint64 id : std::as_const(ids))
                finish(id);
            QTimer::singleShot(0, this, [done = std::move(done)] { done(std::nullopt); });
            return;
        }
        readEnds.append(QDBusUnixFileDescriptor(pipe[0]));
        ::close(pipe[0]); // the descriptor above holds a duplicate until the message is sent
        const quint64 id = m_nextId++;
        Outgoing &outgoing = m_outgoing[id];
        outgoing.fd = pipe[1];
        outgoing.data = format.value();
        ids.append(id);
    }
    m_shell.call(QStringLiteral("SetSelection"),
        {selection, QStringList(formats.keys()), QVariant::fromValue(readEnds)}, this,
        [done = std::move(done)](const QDBusMessage &reply) {
            if (reply.type() != QDBusMessage::ReplyMessage) {
                qCWarning(lcWriter) << "the Shell did not take the selection:" << reply.errorMessage();
                done(std::nullopt);
                return;
            }
            done(reply.arguments().value(0).toULongLong());
        });
    readEnds.clear();
    // The Shell reads each format to its end before it sets the selection: all are written at once.
    for (const quint64 id : std::as_const(ids)) {
        Outgoing &outgoing = m_outgoing[id];
        outgoing.notifier = std::make_unique<QSocketNotifier>(outgoing.fd, QSocketNotifier::Write);
        connect(outgoing.notifier.get(), &QSocketNotifier::activated, this, [this, id] { send(id); });
        QTimer::singleShot(writeTimeoutMs, this, [this, id] {
            if (m_outgoing.count(id) > 0) {
                qCWarning(lcWriter) << "the Shell stopped reading the selection; its format is cut short";
                finish(id);
            }
        });
        send(id);
    }
}

void GnomeSelectionWriter::send(quint64 id)
{
    const auto found = m_outgoing.find(id);
    if (found == m_outgoing.end())
        return;
    Outgoing &outgoing = found->second;
    while (outgoing.written < outgoing.data.size()) {
        const ssize_t count = writeWithoutSigpipe(
            outgoing.fd, outgoing.data.constData() + outgoing.written, size_t(outgoing.data.size() - outgoing.written));
        if (count > 0) {
            outgoing.written += count;
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno == EAGAIN)
            return; // the notifier says when there is room again
        break; // the Shell closed its end
    }
    finish(id);
}

void GnomeSelectionWriter::finish(quint64 id)
{
    const auto found = m_outgoing.find(id);
    if (found == m_outgoing.end())
        return;
    found->second.notifier.reset();
    ::close(found->second.fd);
    m_outgoing.erase(found);
}
