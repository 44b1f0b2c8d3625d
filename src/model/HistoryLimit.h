#pragma once

#include <QObject>
#include <QString>

#include <array>

class ModelContext;
class Preferences;

/// How many unpinned items the history keeps: the person's "Max history items", never more than the
/// store's own bound. Pinned items are never counted or deleted. Lowering the preference deletes
/// the unpinned items beyond it at once, oldest first.
///
/// Only the settings window's choices prune: it asks before it deletes, and a value written by hand
/// (0, -5, 321, "lots") has had no such question, so it keeps the history as "Unlimited" does.
class HistoryLimit : public QObject {
    Q_OBJECT

public:
    /// The bound of an "Unlimited" history, and of any larger stored value.
    static constexpr int unlimited = 10000;
    /// What the settings window offers, smallest first.
    static constexpr std::array<int, 5> choices = {100, 250, 500, 1000, unlimited};

    /// Both must outlive the limit.
    HistoryLimit(ModelContext &context, Preferences &preferences, QObject *parent = nullptr);

    /// Run once at start, before anything is pruned: a history kept by an earlier version, which had
    /// no limit below the store's bound, is never cut to the default without the person's choice.
    /// When the preference was never written and more unpinned items than its default are stored,
    /// "Unlimited" is written.
    void keepEarlierHistory();

    /// The preference when it is one of the `choices` or absent (its default); otherwise `unlimited`.
    int maxUnpinnedItems() const;
    /// Why the stored preference is not used, in words for the person; empty while it is.
    QString problem() const;
    /// How many unpinned items a limit of `count` would delete now.
    int deletionsFor(int count) const;
    /// Deletes the unpinned items beyond the limit, oldest first, without saving (the caller saves,
    /// so a capture and its pruning are one transaction). Returns how many went.
    int prune();
    /// Deletes the unpinned items after the `keep` newest, without saving; returns how many went.
    static int pruneUnpinned(ModelContext &context, int keep);

private:
    ModelContext &m_context;
    Preferences &m_preferences;
};
