#include "HistoryRetention.h"

#include "ClipboardItem.h"
#include "Clock.h"
#include "ModelContext.h"
#include "Preferences.h"

#include <QLoggingCategory>

#include <algorithm>

Q_LOGGING_CATEGORY(lcRetention, "quillbox.retention", QtInfoMsg)

HistoryRetention::HistoryRetention(ModelContext &context, Preferences &preferences, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_preferences(preferences)
{
}

void HistoryRetention::start()
{
    connect(&m_preferences, &Preferences::changed, this, [this](Preferences::Key key) {
        if (key == Preferences::Key::keepUnpinnedDays)
            apply();
    });
    apply();
    scheduleCheck();
}

void HistoryRetention::scheduleCheck()
{
    m_context.clock().schedule(checkIntervalMs, this, [this] {
        apply();
        scheduleCheck();
    });
}

int HistoryRetention::keepDays() const
{
    const int days = m_preferences.keepUnpinnedDays();
    return std::find(choices.cbegin(), choices.cend(), days) != choices.cend() ? days : 0;
}

int HistoryRetention::apply()
{
    const int days = keepDays();
    if (days == 0)
        return 0;
    const QDateTime cutoff = m_context.clock().now().addDays(-days);
    FetchDescriptor<ClipboardItem> unpinnedBeforeCutoff;
    unpinnedBeforeCutoff.predicate
        = [&cutoff](const ClipboardItem &item) { return !item.isPinned() && item.createdAt() < cutoff; };
    const auto expired = m_context.fetch(unpinnedBeforeCutoff);
    m_context.remove(expired);
    const int removed = int(expired.size());
    if (removed > 0) {
        m_context.save();
        qCInfo(lcRetention) << "deleted" << removed << "unpinned items older than" << days << "days";
    }
    return removed;
}

int HistoryRetention::clearUnpinned(ModelContext &context)
{
    const auto items = context.unpinnedItemsBeyond(0);
    context.remove(items);
    if (!items.isEmpty())
        context.save();
    return int(items.size());
}
