#include "WaylandOfferTransfer.h"

#include <wlr-data-control-unstable-v1-client.h>

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

WaylandOfferTransfer::WaylandOfferTransfer(
    ClipboardReadBudget &budget, Interruption interruption, WaitReadable waitReadable)
    : m_budget(budget)
    , m_interruption(std::move(interruption))
    , m_waitReadable(std::move(waitReadable))
{
}

std::optional<QByteArray> WaylandOfferTransfer::read(zwlr_data_control_offer_v1 *offer, const QString &mimeType)
{
    if (m_budget.aborted())
        return std::nullopt;
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qCWarning(lcReader) << "cannot make a pipe:" << std::strerror(errno);
        return std::nullopt;
    }
    // The request carries a duplicate of the write end; ours is closed so the end of the data shows.
    zwlr_data_control_offer_v1_receive(offer, mimeType.toUtf8().constData(), pipe[1]);
    ::close(pipe[1]);

    QByteArray data;
    std::optional<QByteArray> result;
    while (!m_budget.aborted()) {
        if (const auto interruption = m_interruption()) {
            m_budget.abort(*interruption);
            break;
        }
        const auto remaining = m_budget.remainingMs();
        if (!remaining)
            break;
        const short revents = m_waitReadable(pipe[0], *remaining);
        if (!(revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        bool ended = false;
        for (;;) {
            const qsizetype before = data.size();
            data.resize(before + readChunk);
            const ssize_t count = ::read(pipe[0], data.data() + before, readChunk);
            data.resize(before + std::max<ssize_t>(count, 0));
            if (count > 0) {
                m_budget.noteAnswer();
                if (!m_budget.withinBound(count))
                    break;
                continue;
            }
            if (count < 0 && errno == EINTR)
                continue;
            ended = count == 0 || errno != EAGAIN;
            if (ended && count == 0)
                result = std::move(data);
            break;
        }
        if (ended)
            break;
    }
    ::close(pipe[0]);
    return result;
}
