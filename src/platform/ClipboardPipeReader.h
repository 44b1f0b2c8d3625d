#pragma once

#include "ClipboardReadBudget.h"

#include <QByteArray>

#include <functional>
#include <optional>

/// Reads one format of another program's selection from the read end of a non-blocking pipe, within
/// the change's budget, so an owner that stalls costs the reader its deadline and nobody else anything.
class ClipboardPipeReader {
public:
    /// Why the reader must give up what it reads (it stops, a newer change came, the owner refused);
    /// nothing to go on. Asked before every wait.
    using Interruption = std::function<std::optional<ClipboardReadBudget::Abort>()>;
    /// The reader's event loop: serves everything else until `fd` is readable or `timeoutMs` passes.
    /// \return the revents of `fd`.
    using WaitReadable = std::function<short(int fd, int timeoutMs)>;

    ClipboardPipeReader(ClipboardReadBudget &budget, Interruption interruption, WaitReadable waitReadable);

    /// Hands the write end of a new pipe to the owner.
    using Request = std::function<void(int writeEnd)>;

    /// Makes a pipe, passes its write end to `request` (which sends a duplicate on), and reads the
    /// other end to its end. Nothing when the owner failed, the bound was passed, or the read was
    /// aborted (the budget says why).
    std::optional<QByteArray> read(const Request &request);

private:
    std::optional<QByteArray> readToEnd(int fd);

    ClipboardReadBudget &m_budget;
    Interruption m_interruption;
    WaitReadable m_waitReadable;
};
