#include "HistoryLimit.h"

#include "ModelContext.h"
#include "Preferences.h"

#include <algorithm>

HistoryLimit::HistoryLimit(ModelContext &context, Preferences &preferences, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_preferences(preferences)
{
    connect(&m_preferences, &Preferences::changed, this, [this](Preferences::Key key) {
        if (key == Preferences::Key::maxHistoryCount && prune() > 0)
            m_context.save();
    });
}

void HistoryLimit::keepEarlierHistory()
{
    if (m_preferences.isStored(Preferences::Key::maxHistoryCount))
        return;
    const int defaultCount = Preferences::definition(Preferences::Key::maxHistoryCount).defaultValue.toInt();
    if (m_context.unpinnedItemCount() > defaultCount)
        m_preferences.setMaxHistoryCount(unlimited);
}

int HistoryLimit::maxUnpinnedItems() const
{
    return std::clamp(m_preferences.maxHistoryCount(), 1, unlimited);
}

int HistoryLimit::deletionsFor(int count) const
{
    return std::max(0, m_context.unpinnedItemCount() - std::clamp(count, 1, unlimited));
}

int HistoryLimit::prune()
{
    return pruneUnpinned(m_context, maxUnpinnedItems());
}

int HistoryLimit::pruneUnpinned(ModelContext &context, int keep)
{
    const auto beyond = context.unpinnedItemsBeyond(keep);
    for (const auto &item : beyond)
        context.remove(item);
    return int(beyond.size());
}
