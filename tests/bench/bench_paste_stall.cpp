// The GUI thread's longest stall while a chosen item is pasted through the real paste road: (a) a text
// whose paste falls back to an xdotool that hangs (a fake on PATH that sleeps past the runner's 2 s
// deadline), (b) a 30 MB image read back from a real store file and put on the X11 clipboard.
// Run inside scripts/xsession.

#include "BenchReport.h"
#include "FakeKeySynthesizer.h"
#include "FakeWorkspace.h"
#include "GuiStallProbe.h"
#include "RecordingSystemLog.h"
#include "TemporaryStore.h"
#include "TestImages.h"
#include "app/PanelPresenter.h"
#include "app/PasteRoad.h"
#include "platform/XdotoolScriptRunner.h"
#include "platform/x11/X11Pasteboard.h"
#include "services/AppActions.h"
#include "services/PasteService.h"
#include "services/TerminalPasteChords.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Noise does not compress: about 30 MB as PNG, as a large screenshot or photo can be.
QByteArray noisePng(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < side; ++y) {
        auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < side; ++x)
            line[x] = random.generate();
    }
    return encodedImage(image);
}

struct Paste {
    double milliseconds;
    double longestStallMs;
    QString outcome;
};

class Bench {
public:
    explicit Bench(ScriptRunner &script)
        : m_panel(m_workspace, Clock::system(), m_actions, BackendChoice::Backend::x11)
        , m_paste(m_keys, m_log, script, m_dir.filePath(QStringLiteral("debug.log")))
        , m_road(m_pasteboard, m_workspace, m_panel, &m_paste, m_terminals, Clock::system())
    {
        m_store.open();
        m_workspace.frontmost
            = RunningApplication{QStringLiteral("Text Editor"), QStringLiteral("org.gnome.TextEditor"), 42, 0x400001};
        m_panel.show(); // remembers the editor as the application to paste into
    }

    FakeKeySynthesizer &keys() { return m_keys; }
    TemporaryStore &store() { return m_store; }

    /// Pastes `item` and runs the event loop until the paste has gone out or failed.
    Paste paste(const std::shared_ptr<ClipboardItem> &item)
    {
        const qsizetype before = m_log.entries.size();
        GuiStallProbe probe;
        QElapsedTimer timer;
        timer.start();
        probe.start();
        m_road.handleItemSelected(item);
        QString outcome;
        const QDeadlineTimer deadline(20000);
        while (outcome.isEmpty() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            for (qsizetype i = before; i < m_log.entries.size(); ++i) {
                const QString &entry = m_log.entries.at(i);
                if (entry.contains(QStringLiteral("SUCCESS")) || entry.contains(QStringLiteral("error"))
                    || entry.contains(QStringLiteral("failed")))
                    outcome = entry.section(u'|', 1);
            }
        }
        const double elapsed = double(timer.nsecsElapsed()) / 1e6;
        return {elapsed, probe.stop(), outcome.isEmpty() ? QStringLiteral("no outcome") : outcome};
    }

private:
    QTemporaryDir m_dir;
    TemporaryStore m_store;
    X11Pasteboard m_pasteboard;
    FakeWorkspace m_workspace;
    AppActions m_actions;
    PanelPresenter m_panel;
    FakeKeySynthesizer m_keys;
    RecordingSystemLog m_log;
    PasteService m_paste;
    TerminalPasteChords m_terminals;
    PasteRoad m_road;
};

void print(const char *name, const Paste &paste)
{
    std::printf("%-58s %9.1f ms, longest GUI stall %7.1f ms (%s)\n", name, paste.milliseconds, paste.longestStallMs,
        qPrintable(paste.outcome));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);

    // (a) The key events cannot be made, and the script fallback's program hangs until it is killed.
    QTemporaryDir bin;
    QFile hung(bin.filePath(QStringLiteral("xdotool")));
    hung.open(QIODevice::WriteOnly);
    hung.write("#!/bin/sh\nexec sleep 5\n");
    hung.close();
    hung.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), bin.path() + u':' + environment.value(QStringLiteral("PATH")));
    XdotoolScriptRunner script(2000, environment);
    Bench bench(script);

    // What the machine's own load makes of the probe: the same event loop with nothing to do.
    GuiStallProbe idle;
    idle.start();
    const QDeadlineTimer quiet(2000);
    while (!quiet.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    std::printf("%-58s longest GUI stall %7.1f ms\n", "(0) idle for 2 s, for reference", idle.stop());

    bench.keys().available = false;
    QList<double> stalls;
    for (int round = 0; round < 3; ++round) {
        const Paste paste = bench.paste(ClipboardItem::create(QStringLiteral("some text"), ClipboardItemType::text));
        print("(a) text, xdotool hangs 2 s", paste);
        stalls.append(paste.longestStallMs);
    }
    report("(a) longest GUI-thread stall, xdotool hangs", stalls, "ms");

    // (b) A stored image whose bytes are no longer in memory: the paste reads them from the file.
    bench.keys().available = true;
    const QByteArray png = noisePng(2750);
    std::printf("image: %lld KB as stored\n", static_cast<long long>(png.size() / 1024));
    auto image = ClipboardItem::create(QStringLiteral("Image"), ClipboardItemType::image, png);
    bench.store().context().insert(image);
    bench.store().context().save();
    if (!bench.store().container().waitForSaves())
        qFatal("the image was not stored");
    image = bench.store().reopen().mainContext().fetch<ClipboardItem>().first();
    stalls.clear();
    for (int round = 0; round < 5; ++round) {
        const Paste paste = bench.paste(image);
        print("(b) 30 MB image from the store", paste);
        stalls.append(paste.longestStallMs);
    }
    report("(b) longest GUI-thread stall, 30 MB image pasted", stalls, "ms");
    return 0;
}
