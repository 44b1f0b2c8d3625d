// Capture of one new distinct text (repeat check, insert, save, pruning) against a real SQLite
// file that already holds 0, 1,000 or 10,000 items. Saves are written on the store's writer thread,
// large copies read on the capture worker: each figure comes three times, the GUI thread's share (its
// CPU time), the time until the copy is in the history and the time until it is in the file.

#include "BenchReport.h"
#include "FakePasteboard.h"
#include "FakeWorkspace.h"
#include "TemporaryStore.h"
#include "capture/ClipboardMonitor.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <ctime>

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

// CPU time of the calling thread: the GUI thread's share also where the capture waits for its worker.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct Samples {
    QList<double> guiThread;
    QList<double> untilInHistory;
    QList<double> untilWritten;

    // A large copy is read on the capture worker: the GUI thread's share is then the hand-over and the
    // taking in of the worker's result, after which the copy is in the history.
    void measure(ClipboardMonitor &monitor, ModelContext &context, const QString &copied)
    {
        bool finished = false;
        const auto connection
            = QObject::connect(&monitor, &ClipboardMonitor::captureFinished, [&finished] { finished = true; });
        QElapsedTimer timer;
        timer.start();
        const double cpuBefore = threadCpuMs();
        monitor.checkClipboard();
        while (!finished)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        untilInHistory.append(double(timer.nsecsElapsed()) / 1e6);
        guiThread.append(threadCpuMs() - cpuBefore);
        QObject::disconnect(connection);
        context.waitForSaves();
        untilWritten.append(double(timer.nsecsElapsed()) / 1e6);
        if (!context.newestItem(ItemText(copied), ClipboardItemType::text))
            qFatal("the copy was not captured");
    }
    void report(const QString &name) const
    {
        ::report(name + QStringLiteral(" (GUI thread)"), guiThread, "ms");
        ::report(name + QStringLiteral(" (until in the history)"), untilInHistory, "ms");
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
            const QString copied = QStringLiteral("a new copy number %1").arg(i);
            pasteboard.copyText(copied);
            samples.measure(monitor, store.context(), copied);
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
        const QByteArray copied(50 * 1024 * 1024, char('a' + i));
        pasteboard.copy({{QStringLiteral("text/plain"), copied}});
        samples.measure(monitor, store.context(), QString::fromLatin1(copied));
    }
    samples.report(QStringLiteral("capture a 50 MB text"));
    return 0;
}
