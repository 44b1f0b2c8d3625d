#include "GnomeClipboardReader.h"

#include "GnomeShell.h"
#include "platform/ClipboardPipeReader.h"

#include <QDBusPendingCall>
#include <QDBusUnixFileDescriptor>
#include <QLoggingCategory>
#include <QMutexLocker>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace {

Q_LOGGING_CATEGORY(lcReader, "quillbox.pasteboard.reader", QtInfoMsg)

// How often the Shell's answer to a read is looked for while it is due.
constexpr int answerPollMs = 10;

const QString clipboard = QStringLiteral("clipboard");

} // namespace

GnomeClipboardReader::GnomeClipboardReader(QDBusConnection bus, const ClipboardReadLimits &limits)
    : m_bus(std::move(bus))
    , m_budget(limits)
    , m_wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_wakeFd < 0)
        qCWarning(lcReader) << "cannot make an eventfd:" << std::strerror(errno);
}

GnomeClipboardReader::~GnomeClipboardReader()
{
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void GnomeClipboardReader::readChange(quint64 serial, const QStringList &mimeTypes, bool counted)
{
    {
        QMutexLocker lock(&m_mutex);
        m_pending = Change{serial, mimeTypes, counted};
        ++m_changes;
    }
    wake();
}

void GnomeClipboardReader::requestPrimaryText(quint64 requestId)
{
    {
        QMutexLocker lock(&m_mutex);
        m_primaryRequests.append(requestId);
    }
    wake();
}

void GnomeClipboardReader::stop()
{
    m_stopping = true;
    wake();
}

void GnomeClipboardReader::wake()
{
    const std::uint64_t one = 1;
    if (m_wakeFd >= 0 && ::write(m_wakeFd, &one, sizeof one) < 0)
        qCWarning(lcReader) << "cannot wake the reader:" << std::strerror(errno);
}

void GnomeClipboardReader::run()
{
    while (!m_stopping && m_wakeFd >= 0) {
        std::optional<Change> change;
        std::optional<quint64> primary;
        {
            QMutexLocker lock(&m_mutex);
            change = std::exchange(m_pending, std::nullopt);
            m_reading = m_changes;
            if (!change && !m_primaryRequests.isEmpty())
                primary = m_primaryRequests.takeFirst();
        }
        if (change)
            readClipboard(*change);
        else if (primary)
            readPrimary(*primary);
        else
            wait(-1, -1);
    }
}

short GnomeClipboardReader::wait(int fd, int timeoutMs)
{
    std::array<pollfd, 2> fds = {{{m_wakeFd, POLLIN, 0}, {fd, POLLIN, 0}}};
    if (poll(fds.data(), fd < 0 ? 1 : 2, timeoutMs) < 0 && errno != EINTR) {
        qCWarning(lcReader) << "poll failed:" << std::strerror(errno);
        m_budget.abort(ClipboardReadBudget::Abort::connectionLost);
        return 0;
    }
    if (fds[0].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto drained = ::read(m_wakeFd, &count, sizeof count);
    }
    return fds[1].revents;
}

std::optional<ClipboardReadBudget::Abort> GnomeClipboardReader::interruption() const
{
    if (m_stopping)
        return ClipboardReadBudget::Abort::stopped;
    if (m_readingClipboard && m_changes != m_reading)
        return ClipboardReadBudget::Abort::superseded;
    return std::nullopt;
}

void GnomeClipboardReader::readClipboard(const Change &change)
{
    GnomeClipboardSnapshot snapshot;
    snapshot.serial = change.serial;
    snapshot.counted = change.counted;
    if (change.mimeTypes.isEmpty()) {
        snapshot.empty = true;
        emit contentRead(snapshot);
        return;
    }
    m_budget.begin();
    m_readingClipboard = true;
    snapshot.read(change.mimeTypes,
        [this, &change](const QString &format) { return transfer(clipboard, change.serial, format); });
    m_readingClipboard = false;
    if (!m_budget.keepsWhatWasRead())
        return;
    if (m_budget.aborted() == ClipboardReadBudget::Abort::timeout)
        qCWarning(lcReader) << "the program that copied stopped answering; keeping what it sent";
    if (m_budget.aborted() == ClipboardReadBudget::Abort::tooLarge)
        qCWarning(lcReader).nospace() << "the program that copied sent more than "
                                      << m_budget.maxChangeBytes() / (1024 * 1024) << " MB; the rest is not read";
    emit contentRead(snapshot);
}

// The Shell hands over the primary selection only while the window it was selected in has the focus;
// its formats are not announced, so the usual text ones are asked for in turn.
void GnomeClipboardReader::readPrimary(quint64 requestId)
{
    std::optional<QString> text;
    m_budget.begin();
    for (const QString &format : {QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("text/plain")}) {
        const auto data = transfer(QStringLiteral("primary"), 0, format);
        if (data && !data->isEmpty()) {
            text = QString::fromUtf8(*data);
            break;
        }
        // A refusal (no selection there) or a stall answers the same for the next format.
        if (m_budget.aborted() || !data)
            break;
    }
    emit primaryTextRead(requestId, text);
}

std::optional<QByteArray> GnomeClipboardReader::transfer(
    const QString &selection, quint64 serial, const QString &mimeType)
{
    // The call keeps a duplicate of the write end until it is answered and let go, so the end of the
    // data shows only then. A refusal (a newer change, no such selection) is no content, and ends this
    // format's read alone.
    std::optional<QDBusPendingCall> answer;
    bool refused = false;
    ClipboardPipeReader reader(
        m_budget,
        [this, &answer, &refused]() -> std::optional<ClipboardReadBudget::Abort> {
            if (const auto interrupted = interruption())
                return interrupted;
            if (answer && answer->isFinished()) {
                refused = answer->isError();
                if (refused)
                    return ClipboardReadBudget::Abort::superseded;
                answer.reset();
            }
            return std::nullopt;
        },
        [this, &answer](
            int fd, int timeoutMs) { return wait(fd, answer ? std::min(timeoutMs, answerPollMs) : timeoutMs); });
    std::optional<QByteArray> data = reader.read([&](int writeEnd) {
        // One byte more than the change may hold: an owner that has more shows it and is refused.
        answer = m_bus.asyncCall(GnomeShell::methodCall(QStringLiteral("ReadSelection"),
                                     {selection, QVariant::fromValue<qulonglong>(serial), mimeType,
                                         QVariant::fromValue<qulonglong>(m_budget.maxChangeBytes() + 1),
                                         QVariant::fromValue(QDBusUnixFileDescriptor(writeEnd))}),
            int(ClipboardReadBudget::readTimeout.count()));
    });
    if (refused)
        m_budget.clearAbort();
    return data;
}
