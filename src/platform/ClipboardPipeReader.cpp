#include "ClipboardPipeReader.h"

#include <QLoggingCategory>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace {

Q_LOGGING_CATEGORY(lcReader, "quillbox.pasteboard.reader", QtInfoMsg)

constexpr qsizetype readChunk = 1024 * 1024;

} // namespace

ClipboardPipeReader::ClipboardPipeReader(
    ClipboardReadBudget &budget, Interruption interruption, WaitReadable waitReadable)
    : m_budget(budget)
    , m_interruption(std::move(interruption))
    , m_waitReadable(std::move(waitReadable))
{
}

std::optional<QByteArray> ClipboardPipeReader::read(const Request &request)
{
    if (m_budget.aborted())
        return std::nullopt;
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qCWarning(lcReader) << "cannot make a pipe:" << std::strerror(errno);
        return std::nullopt;
    }
    request(pipe[1]);
    // Ours is closed so the end of the data shows once the owner closes its duplicate.
    ::close(pipe[1]);
    std::optional<QByteArray> data = readToEnd(pipe[0]);
    ::close(pipe[0]);
    return data;
}

std::optional<QByteArray> ClipboardPipeReader::readToEnd(int fd)
{
    QByteArray data;
    while (!m_budget.aborted()) {
        if (const auto interruption = m_interruption()) {
            m_budget.abort(*interruption);
            break;
        }
        const auto remaining = m_budget.remainingMs();
        if (!remaining)
            break;
        if (!(m_waitReadable(fd, *remaining) & (POLLIN | POLLHUP | POLLERR)))
            continue;
        for (;;) {
            const qsizetype before = data.size();
            data.resize(before + readChunk);
            const ssize_t count = ::read(fd, data.data() + before, readChunk);
            data.resize(before + std::max<ssize_t>(count, 0));
            if (count > 0) {
                m_budget.noteAnswer();
                if (!m_budget.withinBound(count))
                    break;
                continue;
            }
            if (count < 0 && errno == EINTR)
                continue;
            if (count == 0)
                return data;
            if (errno != EAGAIN)
                return std::nullopt; // the owner's end failed
            break;
        }
    }
    return std::nullopt;
}
