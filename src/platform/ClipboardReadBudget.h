#pragma once

#include "ClipboardReadLimits.h"

#include <chrono>
#include <optional>

/// What reading one clipboard change may still cost, and why a read ended early.
///
/// A stalled owner must not hold a reader for long, nor one that sends without end: one deadline
/// covers the whole change (every format, every chunk), another the owner's silence, and the bytes
/// of all formats together count against one bound.
class ClipboardReadBudget {
public:
    enum class Abort { timeout, tooLarge, superseded, stopped, connectionLost };

    /// How long the owner may leave a request unanswered, and how long reading one change may take.
    static constexpr std::chrono::milliseconds answerTimeout{1000};
    static constexpr std::chrono::milliseconds readTimeout{15000};

    explicit ClipboardReadBudget(const ClipboardReadLimits &limits);

    /// Starts the clocks and the byte count of a new read over; an earlier abort is forgotten.
    void begin();
    /// The owner answered: its silence is measured from now.
    void noteAnswer();
    /// Counts `bytes` against the change's bound; false (and the read aborted) beyond it.
    bool withinBound(qsizetype bytes);
    /// Milliseconds until the nearer deadline, at least 1; nothing (and the read aborted) once past it.
    std::optional<int> remainingMs();

    void abort(Abort reason) { m_abort = reason; }
    void clearAbort() { m_abort.reset(); }
    std::optional<Abort> aborted() const { return m_abort; }
    /// What was read is worth publishing: the read ran to its end, or the owner cut it short.
    bool keepsWhatWasRead() const;
    qint64 maxChangeBytes() const { return m_limits.maxChangeBytes; }

private:
    const ClipboardReadLimits m_limits;
    std::optional<Abort> m_abort;
    std::chrono::steady_clock::time_point m_readStart;
    std::chrono::steady_clock::time_point m_lastAnswer;
    qint64 m_changeBytes = 0;
};
