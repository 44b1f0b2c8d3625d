// Capture under headless sway, copies made with wl-copy: copy-to-stored latency and 200 copies 20 ms
// (and 100 ms) apart through the real program, then the longest stall of the GUI thread while a 50 MB
// copy is read by the Wayland pasteboard in this process.
// Run inside scripts/waysession; QUILLBOX_BINARY names the program.

#include "BenchReport.h"
#include "QuillboxProcess.h"
#include "platform/wayland/WaylandPasteboard.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <memory>
#include <vector>

namespace {

class Copier {
public:
    ~Copier() { reap(true); }

    // wl-copy in the foreground serves its copy until the next one replaces it; for copies too large
    // for a command line.
    void copy(const QByteArray &text)
    {
        reap(false);
        m_sources.push_back(std::make_unique<QProcess>());
        QProcess &copy = *m_sources.back();
        copy.start(QStringLiteral("wl-copy"), {"--foreground"});
        copy.waitForStarted();
        copy.write(text);
        copy.waitForBytesWritten(5000);
        copy.closeWriteChannel();
    }

private:
    void reap(bool all)
    {
        std::erase_if(m_sources, [all](const std::unique_ptr<QProcess> &source) {
            if (!all && source->state() != QProcess::NotRunning)
                return false;
            if (source->state() != QProcess::NotRunning) {
                source->kill();
                source->waitForFinished();
            }
            return true;
        });
    }
    std::vector<std::unique_ptr<QProcess>> m_sources;
};

// A copy as a person makes one: wl-copy takes the clipboard, forks to serve it, and returns.
void copyText(const QString &text)
{
    QProcess::startDetached(QStringLiteral("wl-copy"), {QStringLiteral("--"), text});
}

qint64 storedCount(QuillboxProcess &quillbox)
{
    return quillbox.query(QStringLiteral("SELECT count(*) FROM ClipboardItem")).toLongLong();
}

void latency(QuillboxProcess &quillbox)
{
    QList<double> samples;
    for (int i = 0; i < 60; ++i) {
        const qint64 before = storedCount(quillbox);
        QElapsedTimer timer;
        timer.start();
        copyText(QStringLiteral("latency sample %1 %2").arg(i).arg(QDateTime::currentMSecsSinceEpoch()));
        const QDeadlineTimer deadline(5000);
        while (storedCount(quillbox) == before && !deadline.hasExpired())
            QThread::usleep(500);
        samples.append(double(timer.nsecsElapsed()) / 1e6);
        QThread::msleep(50);
    }
    std::sort(samples.begin(), samples.end());
    std::printf("%-58s p50 %7.1f ms   p90 %7.1f ms\n", "copy (wl-copy started) to stored in the SQLite file",
        samples.at(samples.size() / 2), samples.at(samples.size() * 9 / 10));
    std::fflush(stdout);
}

void rapid(QuillboxProcess &quillbox, int spacingMs)
{
    const qint64 before = storedCount(quillbox);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 200; ++i) {
        while (timer.elapsed() < qint64(i) * spacingMs)
            QThread::usleep(200);
        copyText(QStringLiteral("rapid %1 ms, copy %2 of 200, %3")
                     .arg(spacingMs)
                     .arg(i + 1)
                     .arg(QDateTime::currentMSecsSinceEpoch()));
    }
    QThread::msleep(3000);
    std::printf("%-58s %lld of 200 stored\n", qPrintable(QStringLiteral("200 copies %1 ms apart").arg(spacingMs)),
        static_cast<long long>(storedCount(quillbox) - before));
    std::fflush(stdout);
}

// A ticker on the GUI thread every millisecond; the longest gap between ticks is the longest stall.
void largeCopyStall()
{
    WaylandPasteboard pasteboard;
    Copier copier;
    QElapsedTimer sinceTick;
    double longestMs = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestMs = std::max(longestMs, double(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.restart();
    });
    QElapsedTimer total;
    const qint64 before = pasteboard.changeCount();
    copier.copy(QByteArray(50 * 1024 * 1024, 'q'));
    total.start();
    sinceTick.start();
    ticker.start();
    const QDeadlineTimer deadline(30000);
    while (pasteboard.changeCount() == before && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double readMs = double(total.nsecsElapsed()) / 1e6;
    const auto text = pasteboard.string();
    std::printf("%-58s %s in %7.1f ms, longest GUI stall %6.1f ms\n", "50 MB text copy read (wl-copy)",
        text && text->size() == 50 * 1024 * 1024 ? "read" : "NOT read", readMs, longestMs);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    {
        QuillboxProcess quillbox;
        if (!quillbox.start())
            qFatal("quillbox did not start");
        latency(quillbox);
        rapid(quillbox, 20);
        rapid(quillbox, 100);
        quillbox.terminate();
    }
    largeCopyStall();
    return 0;
}
