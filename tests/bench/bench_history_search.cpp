// Recomputing the panel's filtered list while the user types, over a history of 10,000 items
// (1,000 pinned, 500 images, texts from 10 bytes to 100 KB, mostly short as clipboard texts are).

#include "BenchHistory.h"
#include "BenchReport.h"
#include "FakePasteboard.h"
#include "ManualClock.h"
#include "TemporaryPreferences.h"
#include "TemporaryStore.h"
#include "services/AppActions.h"
#include "ui/panel/ClipboardHistoryView.h"
#include "ui/panel/HistoryFilter.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    TemporaryStore store;
    store.open();
    ModelContext &context = store.context();
    const qint64 totalChars = fillHistory(context);
    std::printf("history: 10000 items, %.1f M characters\n", double(totalChars) / 1e6);

    TemporaryPreferences settings;
    FakePasteboard pasteboard;
    ManualClock clock;
    AppActions actions;
    ClipboardHistoryView view(context, pasteboard, settings.preferences, actions, nullptr, clock);
    clock.advance(0);

    // Showing the panel folds the history a slice per turn, before anyone types.
    QElapsedTimer timer;
    timer.start();
    view.setupMonitors();
    clock.advance(0);
    std::printf(
        "folding the history after the panel is shown: %.3f ms in slices\n", double(timer.nsecsElapsed()) / 1e6);
    timer.start();
    view.filter()->setSearchText(QStringLiteral("e"));
    const qsizetype firstCount = view.filter()->filteredItems().size();
    std::printf("first search: %.3f ms, %lld matches\n", double(timer.nsecsElapsed()) / 1e6,
        static_cast<long long>(firstCount));
    clock.advance(0);
    view.removeMonitors();

    for (const QString &needle : {QStringLiteral("e"), QStringLiteral("QUART"), QStringLiteral("Größe")}) {
        QList<double> filterSamples;
        QList<double> modelSamples;
        qsizetype matches = 0;
        for (int run = 0; run < 101; ++run) {
            view.filter()->setSearchText(QStringLiteral("x"));
            clock.advance(0);
            timer.start();
            view.filter()->setSearchText(needle);
            matches = view.filter()->filteredItems().size();
            filterSamples.append(double(timer.nsecsElapsed()) / 1e6);
            clock.advance(0); // the list model takes the new rows
            modelSamples.append(double(timer.nsecsElapsed()) / 1e6);
        }
        report(QStringLiteral("filter 10000 items, search \"%1\" (%2 matches)").arg(needle).arg(matches), filterSamples,
            "ms");
        report(QStringLiteral("  ... and update the list model"), modelSamples, "ms");
    }
    return 0;
}
