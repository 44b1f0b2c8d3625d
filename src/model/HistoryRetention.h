#pragma once

#include <QObject>

#include <array>

class ModelContext;
class Preferences;

/// How long unpinned items stay: the person's "Keep unpinned items for", applied when Quillbox starts
/// and every hour after through the store's clock. Pinned items always stay.
///
/// Only the settings window's choices delete: a value written by hand that is not one of them (0,
/// -5, 3, "lots") keeps items forever, so a slip of the keyboard never empties the history.
class HistoryRetention : public QObject {
    Q_OBJECT

public:
    /// In days, 0 for "Forever"; what the settings window offers.
    static constexpr std::array<int, 5> choices = {0, 1, 7, 30, 90};
    static constexpr int checkIntervalMs = 60 * 60 * 1000;

    /// Both must outlive the retention.
    HistoryRetention(ModelContext &context, Preferences &preferences, QObject *parent = nullptr);

    /// Applies the period now, then every hour, and at once whenever the preference changes.
    void start();
    /// The period in days when the preference is one of the `choices`; otherwise 0, forever.
    int keepDays() const;
    /// Deletes and saves the unpinned items older than the period; returns how many went.
    int apply();
    /// Deletes and saves every unpinned item, as "Clear history when Quillbox quits" asks; returns how
    /// many went.
    static int clearUnpinned(ModelContext &context);

private:
    void scheduleCheck();

    ModelContext &m_context;
    Preferences &m_preferences;
};
