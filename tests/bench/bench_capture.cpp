// Capture of one new distinct text (repeat check, insert, save, pruning) against a real SQLite
// file that already holds 0, 1,000 or 10,000 items. Saves are written on the store's writer thread:
// each figure comes twice, the GUI thread's share and the time until the copy is in the file.

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
    context.waitForSaves();
}

struct Samples {
    QList<double> guiThread;
    QList<double> untilWritten;

    void measure(ClipboardMonitor &monitor, ModelContext &context)
    {
        QElapsedTimer timer;
        timer.start();
        monitor.checkClipboard();
        guiThread.append(double(timer.nsecsElapsed()) / 1e6);
        context.waitForSaves();
        untilWritten.append(double(timer.nsecsElapsed()) / 1e6);
    }
    void report(const QString &name) const
    {
        ::report(name + QStringLiteral(" (GUI thread)"), guiThread, "ms");
        ::report(name + QStringLiteral(" (until written)"), untilWritten, "ms");
    }
};

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

        Samples samples;
        for (int i = 0; i < 300; ++i) {
            pasteboard.copyText(QStringLiteral("a new copy number %1").arg(i));
            samples.measure(monitor, store.context());
        }
        samples.report(QStringLiteral("capture one new text, %1 stored").arg(stored));
    }

    // A huge copy (the clipboard read itself happens on the reader thread).
    TemporaryStore store;
    store.open();
    FakePasteboard pasteboard;
    ClipboardMonitor monitor(store.container(), pasteboard, workspace);
    Samples samples;
    for (int i = 0; i < 5; ++i) {
        pasteboard.copy({{QStringLiteral("text/plain"), QByteArray(50 * 1024 * 1024, char('a' + i))}});
        samples.measure(monitor, store.context());
    }
    samples.report(QStringLiteral("capture a 50 MB text"));
    return 0;
}
