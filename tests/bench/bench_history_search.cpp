// Recomputing the panel's filtered list while the user types, over histories of 10,000 and 50,000 items
// (a tenth pinned, a twentieth images, texts from 10 bytes to 100 KB, mostly short as clipboard texts are).

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

namespace {

void measureSearch(int count)
{
    TemporaryStore store;
    store.open();
    ModelContext &context = store.context();
    const qint64 totalChars = fillHistory(context, count);
    std::printf("history: %d items, %.1f M characters\n", count, double(totalChars) / 1e6);

    TemporaryPreferences settings;
    FakePasteboard pasteboard;
    ManualClock clock;
    AppActions actions;
    ClipboardHistoryView view(context, pasteboard, settings.preferences, actions, nullptr, clock);
    clock.advance(0);
    view.setupMonitors();
    QElapsedTimer timer;
    timer.start();
    view.filter()->setSearchText(QStringLiteral("e"));
    const qsizetype firstCount = view.filter()->filteredItems().size();
    std::printf("first search: %.3f ms, %lld matches\n", double(timer.nsecsElapsed()) / 1e6,
        static_cast<long long>(firstCount));
    clock.advance(0);
    view.removeMonitors();

    for (const QString &needle :
        {QStringLiteral("e"), QStringLiteral("QUART"), QStringLiteral("Größe"), QStringLiteral("zzq")}) {
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
        report(QStringLiteral("filter %1 items, search \"%2\" (%3 matches)").arg(count).arg(needle).arg(matches),
            filterSamples, "ms");
        report(QStringLiteral("  ... and update the list model"), modelSamples, "ms");
    }
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    measureSearch(10000);
    // Beyond the bound a person can set: how search grows with the history.
    measureSearch(50000);
    return 0;
}
