// Capture of one new distinct text (repeat check, insert, save, pruning) against a real SQLite
// file that already holds 0, 1,000 or 10,000 items.

#include "BenchReport.h"
#include "FakePasteboard.h"
#include "FakeWorkspace.h"
#include "TemporaryStore.h"
#include "capture/ClipboardMonitor.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {

void fill(ModelContext &context, int count)
{
    for (int i = 0; i < count; ++i) {
        context.insert(ClipboardItem::create(
            QStringLiteral("stored item %1 with some ordinary text").arg(i), ClipboardItemType::text));
    }
    context.save();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    FakeWorkspace workspace;
    workspace.frontmost = RunningApplication{QStringLiteral("Editor"), QStringLiteral("editor"), 1, 1};

    for (const int stored : {0, 1000, 10000}) {
        TemporaryStore store;
        store.open();
        ClipCategory::insertDefaults(store.context());
        fill(store.context(), stored);
        FakePasteboard pasteboard;
        ClipboardMonitor monitor(store.container(), pasteboard, workspace);

        QList<double> samples;
        QElapsedTimer timer;
        for (int i = 0; i < 300; ++i) {
            pasteboard.copyText(QStringLiteral("a new copy number %1").arg(i));
            timer.start();
            monitor.checkClipboard();
            samples.append(double(timer.nsecsElapsed()) / 1e6);
        }
        report(QStringLiteral("capture one new text, %1 items stored").arg(stored), samples, "ms");
    }

    // The main thread's share of a huge copy (the clipboard read itself happens on the reader thread).
    TemporaryStore store;
    store.open();
    FakePasteboard pasteboard;
    ClipboardMonitor monitor(store.container(), pasteboard, workspace);
    QList<double> samples;
    for (int i = 0; i < 5; ++i) {
        pasteboard.copy({{QStringLiteral("text/plain"), QByteArray(50 * 1024 * 1024, char('a' + i))}});
        QElapsedTimer timer;
        timer.start();
        monitor.checkClipboard();
        samples.append(double(timer.nsecsElapsed()) / 1e6);
    }
    report(QStringLiteral("capture a 50 MB text (main thread only)"), samples, "ms");
    return 0;
}
