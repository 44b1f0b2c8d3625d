#include "ClipboardReadBudget.h"

#include <algorithm>

using Clock = std::chrono::steady_clock;

ClipboardReadBudget::ClipboardReadBudget(const ClipboardReadLimits &limits)
    : m_limits(limits)
{
}

void ClipboardReadBudget::begin()
{
    m_abort.reset();
    m_readStart = m_lastAnswer = Clock::now();
    m_changeBytes = 0;
}

void ClipboardReadBudget::noteAnswer()
{
    m_lastAnswer = Clock::now();
}

bool ClipboardReadBudget::withinBound(qsizetype bytes)
{
    m_changeBytes += bytes;
    if (m_changeBytes <= m_limits.maxChangeBytes)
        return true;
    m_abort = Abort::tooLarge;
    return false;
}

std::optional<int> ClipboardReadBudget::remainingMs()
{
    const auto deadline = std::min(m_lastAnswer + answerTimeout, m_readStart + readTimeout);
    const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (remaining.count() <= 0) {
        m_abort = Abort::timeout;
        return std::nullopt;
    }
    return static_cast<int>(remaining.count());
}

bool ClipboardReadBudget::keepsWhatWasRead() const
{
    return !m_abort || *m_abort == Abort::timeout || *m_abort == Abort::tooLarge;
}
