// The history's pause: stored as its end, so it outlives a restart only until then, and ended by the
// clock on time.
#include "ManualClock.h"
#include "TemporaryPreferences.h"
#include "services/HistoryPause.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

class TestHistoryPause : public QObject {
    Q_OBJECT

private slots:
    void aTimedPauseEndsByItselfAndOutlivesARestartUntilThen()
    {
        TemporaryPreferences stored;
        ManualClock clock;
        auto pause = std::make_unique<HistoryPause>(stored.preferences, clock);
        QSignalSpy changes(pause.get(), &HistoryPause::pausedChanged);
        pause->pause(10min);
        QVERIFY(pause->isPaused());
        QCOMPARE(stored.preferences.historyPausedUntil(), QStringLiteral("2026-01-01T09:10:00Z"));
        clock.advance(9 * 60 * 1000);
        QVERIFY(pause->isPaused());

        // Quillbox restarts a minute before the end: still paused, and the end still comes.
        pause = std::make_unique<HistoryPause>(stored.preferences, clock);
        QSignalSpy restartedChanges(pause.get(), &HistoryPause::pausedChanged);
        QVERIFY(pause->isPaused());
        QCOMPARE(pause->end(), QDateTime(QDate(2026, 1, 1), QTime(9, 10), QTimeZone::utc()));
        clock.advance(60 * 1000);
        QVERIFY(!pause->isPaused());
        QCOMPARE(restartedChanges.size(), 1);
        QCOMPARE(stored.preferences.historyPausedUntil(), QString());
        QCOMPARE(changes.size(), 1); // the first instance's own end was dropped with it
    }

    void aPauseOverWhileQuillboxWasNotRunningIsForgotten()
    {
        TemporaryPreferences stored;
        ManualClock clock;
        HistoryPause(stored.preferences, clock).pause(1h);
        clock.advance(2 * 60 * 60 * 1000);
        QVERIFY(!HistoryPause(stored.preferences, clock).isPaused());
        QCOMPARE(stored.preferences.historyPausedUntil(), QString());

        // Written by hand and unreadable: recording goes on.
        stored.preferences.setHistoryPausedUntil(QStringLiteral("next tuesday"));
        QVERIFY(!HistoryPause(stored.preferences, clock).isPaused());
    }

    void aPauseUntilResumedHoldsAcrossRestartsAndAnotherPauseReplacesIt()
    {
        TemporaryPreferences stored;
        ManualClock clock;
        HistoryPause(stored.preferences, clock).pause(0s);
        QCOMPARE(stored.preferences.historyPausedUntil(), QStringLiteral("resume"));
        clock.advance(30LL * 24 * 60 * 60 * 1000);
        HistoryPause pause(stored.preferences, clock);
        QVERIFY(pause.isPaused());
        QCOMPARE(pause.end(), std::nullopt);

        // Replaced by a timed one, whose end alone counts; resuming early ends it and its timer.
        pause.pause(90s);
        QVERIFY(pause.end());
        pause.resume();
        QSignalSpy changes(&pause, &HistoryPause::pausedChanged);
        clock.advance(120 * 1000);
        QVERIFY(!pause.isPaused());
        QCOMPARE(changes.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestHistoryPause)
#include "test_history_pause.moc"
