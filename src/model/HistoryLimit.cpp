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
    // A value the person wrote, usable or not, is theirs to change.
    if (m_preferences.writtenValue(Preferences::Key::maxHistoryCount).isValid())
        return;
    const int defaultCount = Preferences::definition(Preferences::Key::maxHistoryCount).defaultValue.toInt();
    if (m_context.unpinnedItemCount() > defaultCount)
        m_preferences.setMaxHistoryCount(unlimited);
}

int HistoryLimit::maxUnpinnedItems() const
{
    const int stored = m_preferences.maxHistoryCount();
    const bool usable = !m_preferences.writtenValue(Preferences::Key::maxHistoryCount).isValid()
        || (m_preferences.isStored(Preferences::Key::maxHistoryCount)
            && std::find(choices.cbegin(), choices.cend(), stored) != choices.cend());
    return usable ? stored : unlimited;
}

QString HistoryLimit::problem() const
{
    const QVariant written = m_preferences.writtenValue(Preferences::Key::maxHistoryCount);
    if (!written.isValid() || maxUnpinnedItems() == m_preferences.maxHistoryCount())
        return {};
    const QString text
        = written.typeId() == QMetaType::QStringList ? written.toStringList().join(u',') : written.toString();
    return QStringLiteral("maxHistoryCount=%1 in %2 is not one of the choices of the settings window (100, 250, 500, "
                          "1000 or Unlimited), so nothing is deleted for it: the history keeps up to %3 items until "
                          "one is chosen in Settings")
        .arg(text, m_preferences.path())
        .arg(unlimited);
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
    context.remove(beyond);
    return int(beyond.size());
}
